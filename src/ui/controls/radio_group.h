// A group box of radio-button options in one column.
//
// Items: clearing them removes every option and the selection (index -1);
// adding one keeps the selection. SetItemIndex clamps to -1..count - 1; an
// equal value does nothing; otherwise the old option is deselected and the new
// one, unless -1, is selected, which runs OnClick at once, exactly as a user's
// click on an option does. A click on the selected option runs nothing.
//
// The option widgets outlive a clearing: the group hides them, unchecked, and
// the items added next show them again with their new texts, so that filling
// the group for each question makes no widgets. Only an item beyond the most
// the group ever held makes one.
//
// Options lay themselves out: with n options and the line height h of the
// group's font, the usable height is U = height - h - 5; option i is
// (width - 10) x (U div n) at left 8, top i x (U div n) + h + 1 + (U mod n) div 2.
// Only the selected option takes the focus by Tab.
#pragma once

#include <QGroupBox>
#include <QRadioButton>
#include <QRect>
#include <QStringList>
#include <functional>
#include <vector>

namespace miravel::ui {

class RadioGroup;

// One option: its click selects it through the group.
class RadioOption : public QRadioButton {
  Q_OBJECT

 public:
  RadioOption(const QString& text, RadioGroup& group, int index);

 protected:
  // The whole option takes the click, not only its mark and text.
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
  void nextCheckState() override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  RadioGroup& group_;
  int index_;
};

class RadioGroup : public QGroupBox {
  Q_OBJECT
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
  Q_PROPERTY(QStringList Items READ Items)

 public:
  explicit RadioGroup(QWidget* parent = nullptr);

  void ClearItems();
  void AddItem(const QString& text);
  QStringList Items() const;
  int Count() const { return count_; }
  RadioOption* Option(int index) const;

  int ItemIndex() const { return index_; }
  void SetItemIndex(int value);

  // Where option `index` of `count` goes in a group of `size` whose font has
  // line height `line_height`.
  static QRect OptionGeometry(QSize size, int line_height, int count, int index);

  // The click handler: a plain call from SetItemIndex, through the failure
  // guard when the user clicked.
  std::function<void()> OnClick;

  void UserSelect(int index);  // a user's click or arrow key on an option

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PlaceOptions();
  void ShowSelection();

  // Every option widget made so far; the first count_ are the items.
  std::vector<RadioOption*> options_;
  int count_ = 0;
  int index_ = -1;
};

}  // namespace miravel::ui
