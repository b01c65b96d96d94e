#include "ui/controls/gauge.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <QString>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "ui/controls/control.h"

namespace miravel::ui {
namespace {

// The range error. The bounds are formed in 64 bits so that the message of an
// extreme range (a minimum of 2147483647, a maximum of -2147483648) still
// shows the arithmetic value.
[[noreturn]] void ThrowRangeError(std::int64_t low, std::int64_t high) {
  char message[80];
  std::snprintf(message, sizeof message, "Value must be between %lld and %lld",
                static_cast<long long>(low), static_cast<long long>(high));
  throw std::out_of_range(message);
}

// A picture of `size`, every pixel black.
QImage BlackImage(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::black);
  return image;
}

// Combines `layer` into `image` by XOR of each pixel's colour value.
void XorInto(QImage& image, const QImage& layer) {
  QPainter painter(&image);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.drawImage(0, 0, layer);
}

}  // namespace

Gauge::Gauge(QWidget* parent) : QWidget(parent) {
  MarkGraphic(this);
  setFocusPolicy(Qt::NoFocus);
  // Every pixel of the rectangle is painted from the composed picture.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void Gauge::SetMinValue(int value) {
  if (value == min_value_) return;
  if (value > max_value_) ThrowRangeError(-INT_MAX, std::int64_t{max_value_} - 1);
  min_value_ = value;
  if (progress_ < value) progress_ = value;
  RepaintNow();
}

void Gauge::SetMaxValue(int value) {
  if (value == max_value_) return;
  if (value < min_value_) ThrowRangeError(std::int64_t{min_value_} + 1, INT_MAX);
  max_value_ = value;
  if (progress_ > value) progress_ = value;
  RepaintNow();
}

void Gauge::SetMaxValueWide(std::int64_t value) {
  if (value > INT_MAX) ThrowRangeError(std::int64_t{min_value_} + 1, INT_MAX);
  SetMaxValue(value < INT_MIN ? INT_MIN : static_cast<int>(value));
}

void Gauge::SetProgress(int value) {
  const int shown = Percent();
  if (value < min_value_) {
    value = min_value_;
  } else if (value > max_value_) {
    value = max_value_;
  }
  if (value == progress_) return;
  progress_ = value;
  if (Percent() != shown) RepaintNow();
}

void Gauge::SetForeColor(const QColor& color) {
  if (color == fore_color_) return;
  fore_color_ = color;
  RepaintNow();
}

void Gauge::SetBackColor(const QColor& color) {
  if (color == back_color_) return;
  back_color_ = color;
  RepaintNow();
}

void Gauge::SetShowText(bool show) {
  if (show == show_text_) return;
  show_text_ = show;
  RepaintNow();
}

void Gauge::SetBorderStyle(Border style) {
  if (style == border_style_) return;
  border_style_ = style;
  RepaintNow();
}

void Gauge::SetKind(GaugeKind kind) {
  if (kind == kind_) return;
  kind_ = kind;
  RepaintNow();
}

int Gauge::Percent() const {
  // The differences of two 32-bit values need 33 bits.
  const std::int64_t range = std::int64_t{max_value_} - min_value_;
  if (range == 0) return 0;
  const std::int64_t done = std::int64_t{progress_} - min_value_;
  // Both operands are exact in a double and the quotient lies in 0..100, so
  // the truncated quotient is the exact integer part.
  return static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(range));
}

int Gauge::BarEnd(int width, int percent) {
  // An extended-precision product: for the 448-pixel bar of the main window
  // it is the exact integer part of 448 * percent / 100 at every percentage.
  const long double fraction = static_cast<long double>(percent) * 0.01L;
  const int end = static_cast<int>(static_cast<long double>(width) * fraction);
  return end > width ? width : end;
}

QImage Gauge::Compose() const {
  const QSize gauge_size = size();
  QImage image = BlackImage(gauge_size);

  // The paint rectangle, right and bottom exclusive; outside it the black
  // picture stays as the frame.
  int left = 0;
  int top = 0;
  int right = gauge_size.width();
  int bottom = gauge_size.height();
  if (border_style_ == Border::Single) {
    ++left;
    ++top;
    --right;
    --bottom;
  }
  const QRect paint_rect = right > left && bottom > top
                               ? QRect(left, top, right - left, bottom - top)
                               : QRect();
  const int percent = Percent();
  const int width = right - left + 1;
  const int height = bottom - top + 1;

  QImage overlay = BlackImage(gauge_size);
  {
    QPainter painter(&overlay);
    if (!paint_rect.isEmpty()) painter.fillRect(paint_rect, back_color_);
    // The bar's right end and bottom are coordinates from the gauge's corner.
    const int bar_end = BarEnd(width, percent);
    if (bar_end >= 1 && bar_end > left && height > top) {
      painter.fillRect(QRect(left, top, bar_end - left, height - top), fore_color_);
    }
  }
  XorInto(image, overlay);

  // Text clipped to an empty paint rectangle leaves nothing to write.
  if (show_text_ && !paint_rect.isEmpty()) {
    const QString text = QString::number(percent) + QLatin1Char('%');
    QImage text_layer = BlackImage(gauge_size);
    {
      QPainter painter(&text_layer);
      // Whole glyph pixels, so that each one shows the exact inverse of the
      // colour beneath it.
      QFont text_font = font();
      text_font.setStyleStrategy(QFont::NoAntialias);
      painter.setFont(text_font);
      painter.setPen(Qt::white);
      painter.setClipRect(paint_rect);
      const QFontMetrics metrics = painter.fontMetrics();
      // Integer division truncates towards zero, also for a text larger than
      // the gauge.
      const int x = (width - metrics.horizontalAdvance(text)) / 2;
      const int y = (height - metrics.height()) / 2;
      painter.drawText(x, y + metrics.ascent(), text);
    }
    XorInto(image, text_layer);
  }
  return image;
}

void Gauge::paintEvent(QPaintEvent* /*event*/) {
  ++paint_count_;
  const QImage picture = Compose();
  QPainter painter(this);
  painter.drawImage(0, 0, picture);
}

void Gauge::RepaintNow() {
  if (isVisible()) repaint();
}

}  // namespace miravel::ui
