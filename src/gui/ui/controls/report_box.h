// SPDX-License-Identifier: GPL-3.0-or-later
// The report box: a read-only plain-text box to which the program appends
// lines, each in a text colour of its own. The user can read, scroll and
// select but not change the text; the program can always append. It lays out
// only the lines in view, so a report of tens of thousands of lines comes up
// at once. clear() (QPlainTextEdit's) removes every line. Its page is white
// whatever the palette, as the lines' colours are fixed.
#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QString>
#include <QTextBlock>
#include <QTextCursor>

namespace miravel::ui {

class ReportBox : public QPlainTextEdit {
  Q_OBJECT

 public:
  // Read-only, empty, wrapping at its width (at word boundaries where it can,
  // elsewhere where a word is wider than the box), both scroll bars shown only
  // while the text needs them, reached by Tab (Tab and Shift+Tab leave it
  // again), and without a context menu of its own.
  explicit ReportBox(QWidget* parent = nullptr);

  // The most lines the box holds unless told otherwise: the report of a test
  // of more than 80,000 questions, all of them wrong.
  static constexpr int kCapacity = 500000;
  int capacity() const { return capacity_; }
  void setCapacity(int lines) { capacity_ = lines; }

  // Appends one line, one paragraph, in `color`. `text` is plain text: markup
  // in it shows as typed, and a line break in it breaks the line on screen but
  // keeps it one line of the box. An empty text appends an empty line. A box
  // that holds capacity() lines takes no more: std::runtime_error("RichEdit
  // line insertion error").
  void appendLine(const QString& text, const QColor& color);

  // While one lives, appended lines are laid out and shown together when it
  // ends, instead of one by one: for appending many lines at once.
  class UpdateBlock {
   public:
    explicit UpdateBlock(ReportBox& box);
    ~UpdateBlock();
    UpdateBlock(const UpdateBlock&) = delete;
    UpdateBlock& operator=(const UpdateBlock&) = delete;

   private:
    QTextCursor cursor_;
  };

  // The number of lines appended since the box was made or last cleared.
  int lineCount() const;
  // The text and the colour of line `index` (from 0), read back from the
  // box's document. std::out_of_range unless 0 <= index < lineCount().
  QString lineText(int index) const;
  QColor lineColor(int index) const;

 private:
  QTextBlock line(int index) const;

  int capacity_ = kCapacity;
};

}  // namespace miravel::ui
