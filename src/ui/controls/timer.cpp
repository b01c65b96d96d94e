#include "ui/controls/timer.h"

#include "ui/controls/guard.h"

namespace miravel::ui {

Timer::Timer(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] {
    Guarded([this] {
      if (OnTimer) OnTimer();
    });
  });
}

void Timer::Restart() {
  timer_.stop();
  if (enabled_ && interval_ > 0) timer_.start(interval_);
}

void Timer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Restart();
}

void Timer::SetInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Restart();
}

}  // namespace miravel::ui
