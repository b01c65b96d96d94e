// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/report_box.h"

#include <QPalette>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <stdexcept>
#include <string>

namespace miravel::ui {
namespace {

// The document holds one empty paragraph even when no line was appended; the
// first appended line marks its paragraph so.
constexpr int kAppended = 1;

// One paragraph per line: line breaks inside a text become breaks within it.
QString OneParagraph(QString text) {
  text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
  text.replace(QChar('\r'), QChar::LineSeparator);
  text.replace(QChar('\n'), QChar::LineSeparator);
  text.replace(QChar::ParagraphSeparator, QChar::LineSeparator);
  return text;
}

}  // namespace

ReportBox::ReportBox(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setTabChangesFocus(true);
  setFocusPolicy(Qt::StrongFocus);
  setContextMenuPolicy(Qt::NoContextMenu);
  setUndoRedoEnabled(false);  // nothing to undo in a box the user cannot edit
  // The lines' colours are the report's own, so the box keeps a white page
  // whatever the palette, on which they stay readable.
  QPalette page = palette();
  page.setColor(QPalette::Base, Qt::white);
  page.setColor(QPalette::Text, Qt::black);
  setPalette(page);
}

ReportBox::UpdateBlock::UpdateBlock(ReportBox& box) : cursor_(box.document()) { cursor_.beginEditBlock(); }

ReportBox::UpdateBlock::~UpdateBlock() { cursor_.endEditBlock(); }

void ReportBox::appendLine(const QString& text, const QColor& color) {
  if (lineCount() >= capacity_) throw std::runtime_error("RichEdit line insertion error");
  QTextCharFormat format;
  format.setForeground(color);
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  // The paragraph's own character format carries the colour of an empty line.
  if (lineCount() > 0) {
    cursor.insertBlock(QTextBlockFormat(), format);
  } else {
    cursor.setBlockCharFormat(format);
    cursor.block().setUserState(kAppended);
  }
  cursor.insertText(OneParagraph(text), format);
}

int ReportBox::lineCount() const {
  return document()->firstBlock().userState() == kAppended ? document()->blockCount() : 0;
}

QTextBlock ReportBox::line(int index) const {
  if (index < 0 || index >= lineCount()) {
    throw std::out_of_range("Line index out of bounds (" + std::to_string(index) + ")");
  }
  return document()->findBlockByNumber(index);
}

QString ReportBox::lineText(int index) const { return line(index).text(); }

QColor ReportBox::lineColor(int index) const {
  const QTextBlock block = line(index);
  const QTextBlock::iterator first = block.begin();
  const QTextCharFormat format = first.atEnd() ? block.charFormat() : first.fragment().charFormat();
  return format.foreground().color();
}

}  // namespace miravel::ui
