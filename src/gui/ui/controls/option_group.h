// SPDX-License-Identifier: GPL-3.0-or-later
// The answer options of a question: a group box of radio buttons in one
// column, in an exclusive QButtonGroup whose ids are the options' numbers,
// from 0. Its checkedId() is the option chosen, -1 for none, and its
// idToggled() reports every change, from code or by the user; a click on the
// chosen option changes nothing.
//
// setOptions shows one option per text, none of them checked. The option
// widgets are kept from question to question: the ones not needed are
// hidden, unchecked, and showing a question makes no widgets beyond the most
// options ever shown.
//
// The options lay themselves out: with n options and the line height h of
// the group's font, the usable height is U = height - h - 5; option i is
// (width - 10) x (U div n) at left 8, top i x (U div n) + h + 1 + (U mod n)
// div 2. The checked option takes the focus by Tab; while none is checked,
// the first option does, and is not checked by taking it. On a focused
// option, Space checks it, and Up and Left move the focus and the choice to
// the option above, Down and Right to the one below, each as a click does,
// whether an option was checked before or not.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QRect>
#include <QStringList>
#include <vector>

namespace miravel::ui {

// One option: a radio button whose whole width takes the click, and whose
// Left and Right keys move like Up and Down in the options' column.
class OptionButton : public QRadioButton {
  Q_OBJECT

 public:
  using QRadioButton::QRadioButton;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
  void keyPressEvent(QKeyEvent* event) override;
};

class OptionGroup : public QGroupBox {
  Q_OBJECT

 public:
  explicit OptionGroup(QWidget* parent = nullptr);

  // The options; ids 0 to the number of options - 1.
  QButtonGroup* options() const { return options_; }
  // Option `id` while it is shown, else none.
  QRadioButton* option(int id) const;
  QStringList optionTexts() const;

  void setOptions(const QStringList& texts);
  // Checks option `id`, clamped to -1 .. the number of options - 1; -1
  // unchecks every option.
  void checkOption(int id);

  // Where option `index` of `count` goes in a group of `size` whose font has
  // line height `line_height`.
  static QRect optionGeometry(QSize size, int line_height, int count, int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void placeOptions();
  void followChecked();  // the tab stop goes with the checked option, else the first

  QButtonGroup* options_;
  std::vector<OptionButton*> buttons_;  // every option widget made; the first count_ are shown
  int count_ = 0;
};

}  // namespace miravel::ui
