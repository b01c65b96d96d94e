// The time gauge: a horizontal bar in a thin black frame, filled in
// proportion to a progress value within a range, with the shown percentage
// written over it in inverse colours. It keeps three integers and paints
// itself on its container's surface; it takes no input.
//
// The main window uses it as a countdown: the maximum and the progress are
// set to the test time in seconds, and every timer tick lowers the progress by
// one. A change of the progress that leaves the shown percentage unchanged
// costs no repaint.
#pragma once

#include <QColor>
#include <cstdint>
#include <QImage>
#include <QWidget>

namespace miravel::ui {

class Gauge : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(int Progress READ Progress WRITE SetProgress)
  Q_PROPERTY(QColor ForeColor READ ForeColor WRITE SetForeColor)
  Q_PROPERTY(QColor BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
  Q_PROPERTY(Border BorderStyle READ BorderStyle WRITE SetBorderStyle)
  Q_PROPERTY(GaugeKind Kind READ Kind WRITE SetKind)

 public:
  // Single: a 1-pixel black frame around the bar.
  enum class Border { None, Single };
  Q_ENUM(Border)
  // The only kind of display the program needs.
  enum class GaugeKind { HorizontalBar };
  Q_ENUM(GaugeKind)

  explicit Gauge(QWidget* parent = nullptr);

  // The range and the current value. The setters keep Progress within
  // MinValue..MaxValue; a maximum below the minimum (or a minimum above the
  // maximum) throws std::out_of_range("Value must be between A and B") and
  // changes nothing.
  int MinValue() const { return min_value_; }
  int MaxValue() const { return max_value_; }
  int Progress() const { return progress_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  // SetMaxValue for a value that may lie outside the 32-bit range: one above
  // it is refused with the same error as one below the minimum.
  void SetMaxValueWide(std::int64_t value);
  // Clamps to the range; repaints only when the shown percentage changes.
  void SetProgress(int value);

  QColor ForeColor() const { return fore_color_; }
  QColor BackColor() const { return back_color_; }
  bool ShowText() const { return show_text_; }
  Border BorderStyle() const { return border_style_; }
  GaugeKind Kind() const { return kind_; }
  void SetForeColor(const QColor& color);
  void SetBackColor(const QColor& color);
  void SetShowText(bool show);
  void SetBorderStyle(Border style);
  void SetKind(GaugeKind kind);

  // The shown percentage, 0..100: the integer part of
  // 100 * (Progress - MinValue) / (MaxValue - MinValue), 0 for an empty range.
  int Percent() const;

  // The right end (exclusive, from the gauge's left edge) of the filled bar
  // for a bar area of `width` (one more than the paint rectangle's width) at
  // `percent`: the integer part of width * (percent * 0.01), no more than
  // `width`.
  static int BarEnd(int width, int percent);

  // The whole gauge as it is painted, composed off screen.
  QImage Compose() const;

  // How many times the gauge has been painted (composed by a paint event).
  int PaintCount() const { return paint_count_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Paints before returning when the gauge is on the screen; otherwise the
  // next paint shows the new state.
  void RepaintNow();

  int min_value_ = 0;
  int max_value_ = 100;
  int progress_ = 0;
  QColor fore_color_ = Qt::black;
  QColor back_color_ = Qt::white;
  bool show_text_ = true;
  Border border_style_ = Border::Single;
  GaugeKind kind_ = GaugeKind::HorizontalBar;
  int paint_count_ = 0;
};

}  // namespace miravel::ui
