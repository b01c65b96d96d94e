// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit/text_fit.h"

#include <QFontMetrics>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>

#include "ui/controls/mnemonic_label.h"
#include "ui/fonts.h"

namespace miravel::fit {
namespace {

// A caption line as shown: "&x" shows x, "&&" one "&", a final "&" nothing.
QString WithoutMarks(const QString& raw) {
  QString shown;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    if (raw[i] == u'&') {
      if (i + 1 == raw.size()) break;
      ++i;
    }
    shown += raw[i];
  }
  return shown;
}

// The width of shown text as the controls measure it; tabs go to the next
// stop.
int LineWidth(const QFontMetrics& metrics, const QString& shown) {
  if (!shown.contains(u'\t')) return metrics.horizontalAdvance(shown);
  return metrics.boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs, shown).width();
}

// One line whose text starts at `left`, `top` and is `height` high: its
// characters counted into `fit`, those not wholly inside `visible` as hidden.
void MeasureLine(const QString& shown, const QFont& font, double left, int top, int height, const QRect& visible,
                 TextFit& fit) {
  qsizetype length = shown.size();
  while (length > 0 && shown[length - 1].isSpace()) --length;
  if (length == 0) return;
  fit.total += static_cast<int>(length);
  const bool whole_line_shown = top >= visible.top() && top + height <= visible.top() + visible.height();
  if (!whole_line_shown) {
    fit.hidden += static_cast<int>(length);
    return;
  }
  // Where each character begins and ends, shaped as it is painted.
  QTextLayout layout(shown, font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setTabStopDistance(8.0 * QFontMetricsF(font).horizontalAdvance(u'x'));
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1e9);
  layout.endLayout();
  if (!line.isValid()) return;
  const double from = visible.left() - 0.01;
  const double to = visible.left() + visible.width() + 0.01;
  for (qsizetype i = 0; i < length; ++i) {
    const double begin = left + line.cursorToX(static_cast<int>(i));
    const double end = left + line.cursorToX(static_cast<int>(i + 1));
    if (std::min(begin, end) < from || std::max(begin, end) > to) ++fit.hidden;
  }
}

}  // namespace

QRect VisiblePart(const QWidget& widget) {
  QRect part = widget.rect();
  QPoint offset(0, 0);  // of `widget` in the container looked at
  for (const QWidget* w = &widget; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
    offset += w->pos();
    const QWidget* container = w->parentWidget();
    if (container == nullptr) break;
    part &= container->rect().translated(-offset);
  }
  return part.isValid() ? part : QRect();
}

TextFit MeasureLabel(const ui::MnemonicLabel& label) {
  TextFit fit;
  const QRect visible = VisiblePart(label);
  const QFont& font = label.font();
  const QFontMetrics metrics(font);
  const int step = ui::LineHeight(font);
  const Qt::Alignment horizontal = label.alignment() & Qt::AlignHorizontal_Mask;
  int top = 0;
  for (const QString& raw : label.shownLines()) {
    const QString shown = WithoutMarks(raw);
    const int width = LineWidth(metrics, shown);
    int left = 0;
    if (horizontal & Qt::AlignHCenter) {
      left = (label.width() - width) / 2;
    } else if (horizontal & Qt::AlignRight) {
      left = label.width() - width;
    }
    MeasureLine(shown, font, left, top, step, visible, fit);
    top += step;
  }
  return fit;
}

TextFit MeasureOption(const QRadioButton& option) {
  TextFit fit;
  QStyleOptionButton style_option;
  style_option.initFrom(&option);
  style_option.text = option.text();
  style_option.icon = option.icon();
  style_option.iconSize = option.iconSize();
  const QRect contents = option.style()->subElementRect(QStyle::SE_RadioButtonContents, &style_option, &option);
  const QRect visible = VisiblePart(option);
  const QFont& font = option.font();
  // The lines break at line feeds only, as QPainter draws them.
  QString text = option.text();
  text.remove(u'\r');
  const QStringList lines = text.split(u'\n');
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextExpandTabs;
  const QRect block = QFontMetrics(font).boundingRect(contents, flags, text);
  const int step = lines.isEmpty() ? 0 : block.height() / static_cast<int>(lines.size());
  int top = block.top();
  for (const QString& raw : lines) {
    MeasureLine(WithoutMarks(raw), font, contents.left(), top, step, visible, fit);
    top += step;
  }
  return fit;
}

}  // namespace miravel::fit
