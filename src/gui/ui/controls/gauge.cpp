// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/gauge.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <stdexcept>

namespace miravel::ui {
namespace {

constexpr QRgb kBar = 0x000000;  // and the frame
constexpr QRgb kGround = 0xFFFFFF;  // the bar area beyond the bar

}  // namespace

Gauge::Gauge(QWidget* parent) : QProgressBar(parent) {
  setValue(0);
  // Every pixel of the rectangle is painted.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

int Gauge::percent() const {
  // The differences of two 32-bit values need 33 bits.
  const std::int64_t range = std::int64_t{maximum()} - minimum();
  if (range == 0) return 0;
  const std::int64_t done = std::int64_t{std::clamp(value(), minimum(), maximum())} - minimum();
  // Both operands are exact in a double and the quotient lies in 0..100, so
  // the truncated quotient is the exact integer part.
  return static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(range));
}

int Gauge::barEnd(int width, int percent) {
  // An extended-precision product: for the 448-pixel bar of the main window
  // it is the exact integer part of 448 * percent / 100 at every percentage.
  const long double fraction = static_cast<long double>(percent) * 0.01L;
  const int end = static_cast<int>(static_cast<long double>(width) * fraction);
  return end > width ? width : end;
}

void Gauge::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(kBar));  // the frame
  const QRect inside = rect().adjusted(1, 1, -1, -1);
  if (inside.isEmpty()) return;
  painter.fillRect(inside, QColor(kGround));
  // The bar area reaches one pixel into the frame on the right and bottom.
  const int width = inside.width() + 1;
  const int height = inside.height() + 1;
  const int shown = percent();
  const int bar_end = barEnd(width, shown);
  const QRect bar(inside.left(), inside.top(), std::max(0, bar_end - inside.left()), inside.height());
  if (!bar.isEmpty()) painter.fillRect(bar, QColor(kBar));
  if (!isTextVisible()) return;

  // Whole glyph pixels, each the exact inverse of the colour beneath it.
  QFont text_font = font();
  text_font.setStyleStrategy(QFont::NoAntialias);
  painter.setFont(text_font);
  const QFontMetrics metrics(text_font);
  const QString text = QString::number(shown) + u'%';
  // Integer division truncates towards zero, also for a text larger than
  // the gauge.
  const QPoint baseline((width - metrics.horizontalAdvance(text)) / 2,
                        (height - metrics.height()) / 2 + metrics.ascent());
  const QRegion beyond = QRegion(inside) - QRegion(bar);
  painter.setClipRegion(bar);
  painter.setPen(QColor(kBar ^ 0xFFFFFF));
  painter.drawText(baseline, text);
  painter.setClipRegion(beyond);
  painter.setPen(QColor(kGround ^ 0xFFFFFF));
  painter.drawText(baseline, text);
}

}  // namespace miravel::ui
