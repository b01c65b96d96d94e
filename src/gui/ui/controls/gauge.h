// SPDX-License-Identifier: GPL-3.0-or-later
// The time gauge: a QProgressBar drawn as a bar in a thin black frame,
// filled in black from the left in proportion to its value within its range,
// on white, with the shown percentage written over it in inverse colours:
// white over the bar, black beyond it. It paints with QPainter at the
// screen's own resolution, so it stays sharp at any scale, and it writes the
// percentage only while its text is visible (QProgressBar::textVisible).
//
// The main window uses it as a countdown: its maximum is the test time in
// seconds and its value the seconds left, as the run holds them.
#pragma once

#include <QProgressBar>
#include <cstdint>

namespace miravel::ui {

class Gauge : public QProgressBar {
  Q_OBJECT

 public:
  explicit Gauge(QWidget* parent = nullptr);

  // The shown percentage, 0..100: the integer part of
  // 100 * (value - minimum) / (maximum - minimum), 0 for an empty range.
  int percent() const;

  // The right end (exclusive, from the gauge's left edge) of the filled bar
  // for a bar area of `width` (one more than the frame's inside) at
  // `percent`: the integer part of width * (percent * 0.01), no more than
  // `width`.
  static int barEnd(int width, int percent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace miravel::ui
