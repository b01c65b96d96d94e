// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/mnemonic_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <vector>

#include "ui/fonts.h"

namespace miravel::ui {
namespace {

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextExpandTabs;

// The text a line of captions shows, without its "&" marks, and where each
// shown character begins in the caption (one more entry: the caption's end).
struct Shown {
  QString text;
  std::vector<qsizetype> raw_start;
};

Shown StripMarks(const QString& raw) {
  Shown shown;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    const qsizetype start = i;
    if (raw[i] == u'&') {
      if (i + 1 == raw.size()) break;  // a final "&" shows nothing
      ++i;  // "&&" shows one "&", "&x" shows x
    }
    shown.text += raw[i];
    shown.raw_start.push_back(start);
  }
  shown.raw_start.push_back(raw.size());
  return shown;
}

// The caption's own lines: CR LF is one break, any other CR or LF one of its
// own, and every break starts a line, a final one too.
QStringList SplitAtLineBreaks(const QString& caption) {
  QStringList lines(1);
  for (qsizetype i = 0; i < caption.size(); ++i) {
    const QChar c = caption[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < caption.size() && caption[i + 1] == u'\n') ++i;
      lines.append(QString());
    } else {
      lines.last() += c;
    }
  }
  return lines;
}

// The width of shown text; tabs go to the next stop, as they are painted.
int LineWidth(const QFontMetrics& metrics, const QString& shown) {
  if (!shown.contains(u'\t')) return metrics.horizontalAdvance(shown);
  return metrics.boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs, shown).width();
}

// Where a word-wrapping label breaks `text` to fit `width`: [begin, end)
// pieces. Lines break at spaces only; a piece ends after the last word that
// fits in whole pixels (the first word always goes in), and the spaces at a
// break are shown on neither line.
std::vector<std::pair<qsizetype, qsizetype>> WrapPieces(const QString& text, int width, const QFontMetrics& metrics) {
  std::vector<std::pair<qsizetype, qsizetype>> pieces;
  const qsizetype n = text.size();
  qsizetype begin = 0;
  do {
    qsizetype end = -1;
    qsizetype scan = begin;
    while (scan < n) {
      qsizetype word_end = scan;
      while (word_end < n && text[word_end] == u' ') ++word_end;
      while (word_end < n && text[word_end] != u' ') ++word_end;
      if (end >= 0 && LineWidth(metrics, text.mid(begin, word_end - begin)) > width) break;
      end = word_end;
      scan = word_end;
    }
    if (end < 0) end = n;  // an empty line
    pieces.emplace_back(begin, end);
    begin = end;
    while (begin < n && text[begin] == u' ') ++begin;
  } while (begin < n);
  return pieces;
}

// The caption's lines at `width`, each with its width.
template <typename Line>
std::vector<Line> LayOut(const QString& caption, const QFont& font, bool word_wrap, int width) {
  const QFontMetrics metrics(font);
  std::vector<Line> lines;
  for (const QString& raw : SplitAtLineBreaks(caption.isEmpty() ? QStringLiteral(" ") : caption)) {
    const Shown shown = StripMarks(raw);
    if (!word_wrap) {
      lines.push_back({raw, LineWidth(metrics, shown.text)});
      continue;
    }
    for (const auto& [begin, end] : WrapPieces(shown.text, width, metrics)) {
      // A piece takes the "&" marks of its characters with it.
      const qsizetype raw_begin = shown.raw_start[static_cast<std::size_t>(begin)];
      const qsizetype raw_end = shown.raw_start[static_cast<std::size_t>(end)];
      const QString piece = raw.mid(raw_begin, raw_end - raw_begin);
      lines.push_back({piece, LineWidth(metrics, shown.text.mid(begin, end - begin))});
    }
  }
  return lines;
}

}  // namespace

MnemonicLabel::MnemonicLabel(QWidget* parent) : MnemonicLabel(QString(), parent) {}

MnemonicLabel::MnemonicLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

const MnemonicLabel::Layout& MnemonicLabel::laidOut(int width) const {
  const bool word_wrap = wordWrap();
  const int key_width = word_wrap ? width : -1;
  const QString caption = text();
  const QFont& label_font = font();
  if (layout_.valid && layout_.word_wrap == word_wrap && layout_.width == key_width && layout_.text == caption &&
      layout_.font == label_font) {
    return layout_;
  }
  layout_.lines = LayOut<Line>(caption, label_font, word_wrap, width);
  int widest = 0;
  for (const Line& line : layout_.lines) widest = std::max(widest, line.width);
  layout_.size = QSize(widest, static_cast<int>(layout_.lines.size()) * LineHeight(label_font));
  layout_.text = caption;
  layout_.font = label_font;
  layout_.word_wrap = word_wrap;
  layout_.width = key_width;
  layout_.valid = true;
  return layout_;
}

QStringList MnemonicLabel::shownLines() const {
  QStringList texts;
  for (const Line& line : laidOut(width()).lines) texts.append(line.raw);
  return texts;
}

QSize MnemonicLabel::sizeHint() const { return laidOut(width()).size; }

QSize MnemonicLabel::minimumSizeHint() const { return sizeHint(); }

int MnemonicLabel::heightForWidth(int width) const {
  if (wordWrap() && width != this->width()) {
    // A width other than the label's own: measured without keeping it, so
    // that the lines kept stay those the label shows.
    return static_cast<int>(LayOut<Line>(text(), font(), true, width).size()) * LineHeight(font());
  }
  return laidOut(width).size.height();
}

void MnemonicLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) layout_.valid = false;
  QLabel::changeEvent(event);
}

void MnemonicLabel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  QStyleOption option;
  option.initFrom(this);
  const int step = LineHeight(font());
  const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
  int top = 0;
  for (const Line& line : laidOut(width()).lines) {
    if (top >= height()) break;  // the rest is cut off at the bottom edge
    int left = 0;
    if (horizontal & Qt::AlignHCenter) {
      left = (width() - line.width) / 2;
    } else if (horizontal & Qt::AlignRight) {
      left = width() - line.width;
    }
    style()->drawItemText(&painter, QRect(left, top, std::max(line.width, width() - left), step),
                          kTextFlags | Qt::TextDontClip, option.palette, isEnabled(), line.raw, foregroundRole());
    top += step;
  }
}

}  // namespace miravel::ui
