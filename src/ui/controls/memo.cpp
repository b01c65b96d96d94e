#include "ui/controls/memo.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <stdexcept>
#include <string>

namespace miravel::ui {
namespace {

// One paragraph per line: line breaks inside a text become breaks within it.
QString OneParagraph(QString text) {
  text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
  text.replace(QChar('\r'), QChar::LineSeparator);
  text.replace(QChar('\n'), QChar::LineSeparator);
  text.replace(QChar::ParagraphSeparator, QChar::LineSeparator);
  return text;
}

}  // namespace

RichMemo::RichMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setTabChangesFocus(true);
  setFocusPolicy(Qt::StrongFocus);
  setContextMenuPolicy(Qt::NoContextMenu);
  setUndoRedoEnabled(false);  // nothing to undo in a box the user cannot edit
}

RichMemo::UpdateBlock::UpdateBlock(RichMemo& memo) : cursor_(memo.document()) {
  cursor_.beginEditBlock();
}

RichMemo::UpdateBlock::~UpdateBlock() { cursor_.endEditBlock(); }

void RichMemo::AppendLine(const QString& text, const QColor& color) {
  if (LineCount() >= capacity_) throw std::runtime_error("RichEdit line insertion error");
  QTextCharFormat format;
  format.setForeground(color);
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  // The paragraph's own character format carries the colour of an empty line.
  if (has_lines_) {
    cursor.insertBlock(QTextBlockFormat(), format);
  } else {
    cursor.setBlockCharFormat(format);
  }
  cursor.insertText(OneParagraph(text), format);
  has_lines_ = true;
}

void RichMemo::Clear() {
  clear();
  has_lines_ = false;
}

int RichMemo::LineCount() const { return has_lines_ ? document()->blockCount() : 0; }

QTextBlock RichMemo::Line(int index) const {
  if (index < 0 || index >= LineCount()) {
    throw std::out_of_range("Line index out of bounds (" + std::to_string(index) + ")");
  }
  return document()->findBlockByNumber(index);
}

QString RichMemo::LineText(int index) const { return Line(index).text(); }

QColor RichMemo::LineColor(int index) const {
  const QTextBlock block = Line(index);
  const QTextBlock::iterator first = block.begin();
  const QTextCharFormat format =
      first.atEnd() ? block.charFormat() : first.fragment().charFormat();
  return format.foreground().color();
}

}  // namespace miravel::ui
