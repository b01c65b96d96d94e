// A horizontal track bar whose position is a number from Min to Max.
//
// From code: SetPosition clamps the value into Min..Max; only when the stored
// position then differs from the old one is it stored and OnChange run, at
// once, inside the setter. It works while the track bar is disabled.
// SetMax below Min is ignored; otherwise the position is clamped into the new
// range and OnChange runs only if that changed it (SetMin likewise).
//
// By the user (dragging the thumb, a click beside it, arrow, page, Home and End
// keys, the wheel; Right, Down and Page Down move towards the maximum, by 1, 1
// and 2): after every scroll notification of the control the
// position it shows is stored and OnChange runs, also when the position did not
// change (a key at the end of the range, the end of a drag or of a key press),
// and for every intermediate position while the thumb is dragged.
#pragma once

#include <QSlider>
#include <functional>

namespace miravel::ui {

class TrackBar : public QSlider {
  Q_OBJECT
  Q_PROPERTY(int Min READ Min WRITE SetMin)
  Q_PROPERTY(int Max READ Max WRITE SetMax)
  Q_PROPERTY(int Position READ Position WRITE SetPosition)

 public:
  explicit TrackBar(QWidget* parent = nullptr);

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int value);
  void SetMax(int value);
  void SetPosition(int value);

  // The change handler: a plain call from the setters; through the failure
  // guard when the user moved the control.
  std::function<void()> OnChange;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void ShowRange();
  void SpaceTicks();
  void StoreAndNotify(int value);  // code's change
  void UserNotification();         // the user's scroll notification
  bool ThumbUnder(QPoint point) const;

  int min_ = 0;
  int max_ = 10;
  int position_ = 0;
  bool action_ = false;  // the base control performed a slider action
  QPoint press_point_;   // where the mouse was last pressed
};

}  // namespace miravel::ui
