// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/shaped_text.h"

#include <QPaintDevice>
#include <QPainter>
#include <QStyle>
#include <QTextLine>
#include <QTextOption>

namespace miravel::ui {
namespace {

// The flags ShapedText draws as drawText does: a left-aligned line (left in
// absolute terms too: the style's visual alignment of a left-to-right
// line), placed on the rectangle's top, centre or bottom line; mnemonics
// shown or hidden (the text holds no "&"), tabs expanded (it holds none),
// clipped or not.
constexpr int kVerticalFlags = Qt::AlignTop | Qt::AlignVCenter | Qt::AlignBottom;
constexpr int kDrawnFlags = Qt::AlignLeft | Qt::AlignAbsolute | kVerticalFlags | Qt::TextShowMnemonic |
                            Qt::TextHideMnemonic | Qt::TextExpandTabs | Qt::TextDontClip | Qt::TextSingleLine;

// Characters that drawText treats otherwise than as plain text: line and
// paragraph breaks, tabs and other controls, "&" marks, the separator of
// length variants; and a blank at the end, which changes the width that
// decides the clipping.
bool PlainLine(const QString& text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x20 || u == u'&' || u == 0x7F || u == 0x9C || u == QChar::LineSeparator || u == QChar::ParagraphSeparator)
      return false;
  }
  return !text.isEmpty() && !text.back().isSpace();
}

}  // namespace

bool ShapedText::CanDraw(const QStyle& style, int flags, const QString& text, const QFont& font,
                         Qt::LayoutDirection direction) {
  // Fusion draws an item's text with QPainter::drawText and nothing else.
  static const QByteArray fusion = QByteArrayLiteral("QFusionStyle");
  return (flags & ~kDrawnFlags) == 0 && (flags & Qt::AlignLeft) != 0 && direction == Qt::LeftToRight &&
         style.metaObject()->className() == fusion && !font.underline() && !font.overline() && !font.strikeOut() &&
         PlainLine(text);
}

void ShapedText::shape(const QString& text, const QFont& font, Qt::LayoutDirection direction,
                       const QPaintDevice& device) {
  // The line as drawText lays it out: one line, as wide as it wants.
  layout_ = std::make_unique<QTextLayout>(text, font);
  QTextOption option;
  option.setTextDirection(direction);
  option.setAlignment(Qt::AlignLeft);
  layout_->setTextOption(option);
  layout_->setCacheEnabled(true);
  layout_->beginLayout();
  QTextLine line = layout_->createLine();
  line.setLineWidth(0x01000000);
  line.setPosition(QPointF(0, 0));
  layout_->endLayout();
  text_ = text;
  font_ = font;
  direction_ = direction;
  resolution_ = device.logicalDpiY();
}

int ShapedText::width() const { return layout_ ? qRound(layout_->lineAt(0).horizontalAdvance()) : 0; }

void ShapedText::draw(QPainter& painter, const QStyle& style, const QRect& rect, int flags, const QPalette& palette,
                      bool enabled, const QString& text, QPalette::ColorRole role) {
  const QFont& font = painter.font();
  const Qt::LayoutDirection direction = painter.layoutDirection();
  if (!CanDraw(style, flags, text, font, direction)) {
    style.drawItemText(&painter, rect, flags, palette, enabled, text, role);
    return;
  }
  const QPaintDevice& device = *painter.device();
  if (!layout_ || text_ != text || font_ != font || direction_ != direction || resolution_ != device.logicalDpiY())
    shape(text, font, direction, device);
  const QTextLine line = layout_->lineAt(0);
  const qreal height = line.ascent() + line.descent();
  qreal top = 0;
  if (flags & Qt::AlignBottom) {
    top = rect.height() - height;
  } else if (flags & Qt::AlignVCenter) {
    top = (rect.height() - height) / 2;
  }
  const QRectF area(rect);
  const QPointF origin(area.x(), area.y() + top);
  const QPen pen = painter.pen();
  if (role != QPalette::NoRole) painter.setPen(QPen(palette.brush(role), pen.widthF()));
  const bool clip =
      (flags & Qt::TextDontClip) == 0 && !area.contains(QRectF(origin, QSizeF(line.naturalTextWidth(), height)));
  if (clip) {
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
  }
  line.draw(&painter, origin);
  if (clip) painter.restore();
  painter.setPen(pen);
}

}  // namespace miravel::ui
