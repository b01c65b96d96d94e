#include "ui/controls/label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <utility>

#include "ui/controls/control.h"
#include "ui/fonts.h"

namespace miravel::ui {
namespace {

constexpr int kTabStopChars = 8;

int TabStop(const QFontMetrics& metrics) {
  return std::max(1, kTabStopChars * metrics.averageCharWidth());
}

// The x of the first `count` characters of `text`, tabs going to the next stop.
int Advance(const QString& text, qsizetype count, const QFontMetrics& metrics) {
  const int stop = TabStop(metrics);
  int x = 0;
  qsizetype segment = 0;
  for (qsizetype i = 0; i < count; ++i) {
    if (text[i] != u'\t') continue;
    x += metrics.horizontalAdvance(text.mid(segment, i - segment));
    x = (x / stop + 1) * stop;
    segment = i + 1;
  }
  return x + metrics.horizontalAdvance(text.mid(segment, count - segment));
}

// Text lines as the line breaks give them: CR LF is one break, any other CR
// or LF is a break of its own. Every break starts a line, a final one too.
std::vector<QString> SplitAtLineBreaks(const QString& caption) {
  std::vector<QString> lines(1);
  for (qsizetype i = 0; i < caption.size(); ++i) {
    const QChar c = caption[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < caption.size() && caption[i + 1] == u'\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

// Removes the "&" marks of one line: "&&" shows one "&", a single "&" marks
// the character after it (the last mark of the line wins), a final "&" is
// dropped. Returns the index of the marked character in `shown`, or -1.
qsizetype StripAmpersands(const QString& raw, QString* shown) {
  qsizetype underline = -1;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    if (raw[i] != u'&') {
      *shown += raw[i];
    } else if (i + 1 < raw.size() && raw[i + 1] == u'&') {
      *shown += u'&';
      ++i;
    } else if (i + 1 < raw.size()) {
      underline = shown->size();
    }
  }
  return underline;
}

// Where a word-wrapping label breaks `text` at `width`: [begin, end) pieces.
// A piece ends after the last word that fits (the first word always goes in);
// the spaces at a break are shown on neither line.
std::vector<std::pair<qsizetype, qsizetype>> WrapPieces(const QString& text, int width,
                                                        const QFontMetrics& metrics) {
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
      const QString candidate = text.mid(begin, word_end - begin);
      if (end >= 0 && Advance(candidate, candidate.size(), metrics) > width) break;
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

int HorizontalOffset(Qt::Alignment alignment, int line_width, int label_width) {
  if (alignment & Qt::AlignHCenter) return (label_width - line_width) / 2;
  if (alignment & Qt::AlignRight) return label_width - line_width;
  return 0;
}

// Draws one line with its baseline at `baseline`, starting at `x`.
void PaintLine(QPainter& painter, const QFontMetrics& metrics, const LabelLine& line, int x,
               int baseline) {
  const int stop = TabStop(metrics);
  int pen_x = 0;
  qsizetype segment = 0;
  for (qsizetype i = 0; i <= line.text.size(); ++i) {
    if (i < line.text.size() && line.text[i] != u'\t') continue;
    const QString piece = line.text.mid(segment, i - segment);
    painter.drawText(QPoint(x + pen_x, baseline), piece);
    pen_x += metrics.horizontalAdvance(piece);
    pen_x = (pen_x / stop + 1) * stop;
    segment = i + 1;
  }
  if (line.underline < 0) return;
  const auto first = static_cast<qsizetype>(line.underline);
  qsizetype after = first + 1;
  if (line.text[first].isHighSurrogate() && after < line.text.size()) ++after;
  const int left = Advance(line.text, first, metrics);
  const int right = Advance(line.text, after, metrics);
  painter.fillRect(x + left, baseline + metrics.underlinePos(), right - left,
                   std::max(1, metrics.lineWidth()), painter.pen().color());
}

}  // namespace

LabelLayout LayOutLabelText(const QString& caption, const QFont& font, bool word_wrap, int width) {
  const QFontMetrics metrics(font);
  LabelLayout layout;
  for (const QString& raw : SplitAtLineBreaks(caption.isEmpty() ? QStringLiteral(" ") : caption)) {
    QString shown;
    const qsizetype underline = StripAmpersands(raw, &shown);
    const std::vector<std::pair<qsizetype, qsizetype>> pieces =
        word_wrap ? WrapPieces(shown, width, metrics)
                  : std::vector<std::pair<qsizetype, qsizetype>>{{0, shown.size()}};
    for (const auto& [begin, end] : pieces) {
      LabelLine line;
      line.text = shown.mid(begin, end - begin);
      if (underline >= begin && underline < end) line.underline = static_cast<int>(underline - begin);
      line.width = Advance(line.text, line.text.size(), metrics);
      layout.size.setWidth(std::max(layout.size.width(), line.width));
      layout.lines.push_back(std::move(line));
    }
  }
  layout.size.setHeight(static_cast<int>(layout.lines.size()) * LineHeight(font));
  return layout;
}

Label::Label(QWidget* parent) : QWidget(parent) {
  MarkGraphic(this);
  setAutoFillBackground(true);
  // No alignment can be set before the label exists, so there is nothing for
  // the container to lay out yet (and it may itself be under construction).
  AdjustBounds(false);
}

void Label::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  AdjustBounds(true);
  update();
}

void Label::SetWordWrap(bool word_wrap) {
  if (word_wrap == word_wrap_) return;
  word_wrap_ = word_wrap;
  AdjustBounds(true);
  update();
}

void Label::SetTextAlignment(Qt::Alignment alignment) {
  const Qt::Alignment horizontal = alignment & (Qt::AlignLeft | Qt::AlignHCenter | Qt::AlignRight);
  if (horizontal == text_alignment_) return;
  text_alignment_ = horizontal;
  update();
}

void Label::SetAutoSize(bool auto_size) {
  if (auto_size == auto_size_) return;
  auto_size_ = auto_size;
  AdjustBounds(true);
}

void Label::AdjustBounds(bool realign) {
  if (!auto_size_) return;
  const QSize measured = LayOutLabelText(caption_, font(), word_wrap_, width()).size;
  if (measured == size()) return;
  resize(measured);  // a child's position stays; a resize keeps left and top
  if (realign) RealignContainer(this);
}

void Label::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    AdjustBounds(true);
    update();
  }
  QWidget::changeEvent(event);
}

void Label::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  const QFontMetrics metrics(font());
  const int step = LineHeight(font());
  int top = 0;
  // Each line is placed on its own: centred lines of different widths each
  // stand in the middle.
  for (const LabelLine& line : LayOutLabelText(caption_, font(), word_wrap_, width()).lines) {
    if (top >= height()) break;  // the rest is cut off at the bottom edge
    PaintLine(painter, metrics, line, HorizontalOffset(text_alignment_, line.width, width()),
              top + metrics.ascent());
    top += step;
  }
}

}  // namespace miravel::ui
