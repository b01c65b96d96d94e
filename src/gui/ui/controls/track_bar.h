// SPDX-License-Identifier: GPL-3.0-or-later
// The question scale's track bar: a horizontal QSlider, whose minimum,
// maximum and value are Qt's own, with what the desktop's track bars do
// differently:
//  - Up and Page Up move towards the minimum, Down and Page Down towards the
//    maximum (by 1, 1 and the page step, 2), as Left and Right do;
//  - holding the mouse beside the thumb pages step by step until the thumb
//    reaches the pointer, instead of jumping to it when near;
//  - one tick mark per position; where there are more positions than pixels,
//    every n-th one, n the fewest that fit;
//  - positionNotified() is emitted after every change of the value from code
//    (at once, inside the setter, whether or not the track bar is enabled)
//    and after every scroll notification of the user, also when the value did
//    not change: each press of a scroll key and its release, each position
//    while the thumb is dragged and the end of the drag, a click beside the
//    thumb and its release, each step of a held click, the wheel.
#pragma once

#include <QSlider>

namespace miravel::ui {

class TrackBar : public QSlider {
  Q_OBJECT

 public:
  explicit TrackBar(QWidget* parent = nullptr);

 signals:
  void positionNotified();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void sliderChange(SliderChange change) override;

 private:
  void spaceTicks();
  bool thumbUnder(QPoint point) const;

  bool user_ = false;  // the base control is handling the user's input
  bool action_ = false;  // the base control performed a slider action
  QPoint press_point_;  // where the mouse was last pressed
};

}  // namespace miravel::ui
