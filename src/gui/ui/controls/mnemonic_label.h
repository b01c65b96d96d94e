// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' label: a QLabel that shows its caption the way the program's
// captions are shown, on its container's own background.
//  - A single "&" is not shown and underlines the character after it, "&&"
//    shows one "&": the style's mnemonic rendering, whether or not the label
//    has a buddy. text() still returns the caption exactly as it was set.
//  - CR LF, LF and a lone CR each end a line.
//  - The lines stand one line height of the font (LineHeight) apart, on whole
//    pixels, from the label's top, each placed on its own by the label's
//    horizontal alignment; what does not fit is cut off at the bottom edge.
//  - With word wrap on (QLabel's wordWrap), lines also break at spaces to
//    fit the label's width in whole pixels, never inside a word (not after a
//    hyphen either); a word wider than the label keeps a line of its own,
//    and the spaces at a break are shown on neither line.
//  - Tabs go to the next stop, every 8 widths of "x".
// The size hint is the size of the text: its widest line by the number of
// lines (an empty caption measures like one space). A label in a
// StripLayout takes it at once whenever its text or font changes.
// The lines are laid out once for the text, font, word wrap and (with word
// wrap only) width they were laid out for, and again only when one of these
// has changed. Each line is painted by the style's drawItemText.
#pragma once

#include <QFont>
#include <QLabel>
#include <QStringList>
#include <vector>

namespace miravel::ui {

class MnemonicLabel : public QLabel {
  Q_OBJECT

 public:
  explicit MnemonicLabel(QWidget* parent = nullptr);
  explicit MnemonicLabel(const QString& text, QWidget* parent = nullptr);

  // The lines as the label shows them at its present width, each with its
  // "&" marks.
  QStringList shownLines() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  int heightForWidth(int width) const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // A font change (also one of resolution, on another screen, that leaves
  // the font comparing equal) lays the lines out again.
  void changeEvent(QEvent* event) override;

 private:
  // One line as it is painted: its text with the "&" marks, and its width.
  struct Line {
    QString raw;
    int width;
  };
  // The lines at `width` and what they were laid out for; `width` is -1
  // without word wrap, where the width changes nothing.
  struct Layout {
    QString text;
    QFont font;
    bool word_wrap = false;
    int width = -1;
    bool valid = false;
    std::vector<Line> lines;
    QSize size;
  };
  // The lines at `width`, laid out again only when the text, font, word
  // wrap or (with word wrap) the width differ from the last ones.
  const Layout& laidOut(int width) const;

  mutable Layout layout_;
};

}  // namespace miravel::ui
