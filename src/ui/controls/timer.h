// A timer that ticks every Interval milliseconds while enabled; the first tick
// comes one interval after enabling. Disabling stops it; enabling it again
// starts a new interval. Enabling or disabling it when it is already so
// changes nothing.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace miravel::ui {

class Timer : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(int Interval READ Interval WRITE SetInterval)

 public:
  explicit Timer(QObject* parent = nullptr);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);

  // Runs on every tick, through the failure guard.
  std::function<void()> OnTimer;

 private:
  void Restart();

  QTimer timer_;
  bool enabled_ = false;
  int interval_ = 1000;
};

}  // namespace miravel::ui
