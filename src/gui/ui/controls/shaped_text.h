// SPDX-License-Identifier: GPL-3.0-or-later
// One line of plain text shaped once and drawn as the style draws an item's
// text, without shaping it again at every paint.
//
// The windows' style (Fusion) draws a caption with QPainter::drawText, which
// lays the text out and shapes it (HarfBuzz) at every call: for a window
// painted whole, most of the paint. ShapedText keeps the laid-out line for
// its text and font and draws it the way drawText places a single line: at
// the rectangle's left edge, on the top, centred or bottom line of the
// rectangle as the alignment says, clipped to it unless Qt::TextDontClip.
// The pixels are those drawItemText paints.
//
// Only what it can draw exactly that way takes this path (CanDraw): the
// Fusion style, a left-to-right left-aligned single line without "&" marks
// or tabs, in a font without underline, overline or strike-out. Anything
// else goes to the style's drawItemText as before.
#pragma once

#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QTextLayout>
#include <memory>

class QPainter;
class QPaintDevice;
class QStyle;

namespace miravel::ui {

class ShapedText {
 public:
  // Whether `style` draws item texts with `flags` as ShapedText does, and
  // `text` in `font` is a line ShapedText can draw.
  static bool CanDraw(const QStyle& style, int flags, const QString& text, const QFont& font,
                      Qt::LayoutDirection direction);

  // Draws `text` in `rect` as style.drawItemText(painter, rect, flags,
  // palette, enabled, text, role) does, from the kept line when the text
  // and the painter's font are those it was shaped for (shaping them first
  // otherwise), or through the style when CanDraw says no.
  void draw(QPainter& painter, const QStyle& style, const QRect& rect, int flags, const QPalette& palette, bool enabled,
            const QString& text, QPalette::ColorRole role);

  // Shapes `text` in `font` now (CanDraw must hold for it), so that draw
  // finds it shaped when the painter's font is `font` on `device` (a font
  // given in points takes another size at another resolution, though the
  // fonts compare equal).
  void shape(const QString& text, const QFont& font, Qt::LayoutDirection direction, const QPaintDevice& device);
  // The width of the shaped line in whole pixels: the sum of its advances,
  // rounded, which is what QFontMetrics::horizontalAdvance gives (the
  // line's natural width may be a pixel wider, for the last glyph's
  // overhang).
  int width() const;

  // Forgets the kept line (its font's resolution may have changed).
  void reset() { layout_.reset(); }

 private:
  std::unique_ptr<QTextLayout> layout_;
  QString text_;
  QFont font_;
  Qt::LayoutDirection direction_ = Qt::LeftToRight;
  int resolution_ = 0;  // the device's logical dots per inch
};

}  // namespace miravel::ui
