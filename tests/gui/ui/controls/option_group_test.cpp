// SPDX-License-Identifier: GPL-3.0-or-later
// The answer options: checking from code and by the user and when the
// change is reported, the keys, the option geometry, refilling the options
// for the next question, and the one tab stop (the checked option, else the
// first), from which the keyboard alone chooses.
#include "ui/controls/option_group.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTest>
#include <stdexcept>
#include <vector>

#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui_test_support.h"

namespace miravel::ui {
namespace {

using testing_support::BoxRecorder;

class OptionGroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.resize(500, 260);
    group_ = new OptionGroup(&window_);
    group_->setFont(LargerFont());
    group_->setGeometry(0, 0, 462, 208);
    // The handler, as the program connects it: each option newly chosen.
    QObject::connect(group_->options(), &QButtonGroup::idToggled, group_, [this](int id, bool checked) {
      if (checked) Guarded([this, id] { handler_(id); });
    });
    handler_ = [this](int id) { chosen_.push_back(id); };
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }

  void Fill(int count) {
    QStringList texts;
    for (int i = 0; i < count; ++i) texts << QStringLiteral("вариант %1").arg(i);
    group_->setOptions(texts);
  }
  int Checked() const { return group_->options()->checkedId(); }

  QWidget window_;
  OptionGroup* group_ = nullptr;
  std::function<void(int)> handler_;
  std::vector<int> chosen_;  // every option newly chosen, in order
};

TEST_F(OptionGroupTest, CheckingFromCodeClampsAndReportsOnlyANewChoice) {
  struct Case {
    int count;  // options
    int before;  // checked before
    int set;
    int after;
    bool reported;
  };
  const Case cases[] = {
      {4, -1, 2, 2, true},   {4, -1, 3, 3, true},   {4, -1, 9, 3, true},  // clamped to the last
      {4, 2, 2, 2, false},   {4, 3, 9, 3, false},  // no change
      {4, 2, -1, -1, false}, {4, 2, -7, -1, false},  // none: nothing chosen
      {4, 1, 0, 0, true},    {0, -1, 0, -1, false},  // no options
      {0, -1, 5, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " options, " << c.before << " -> " << c.set);
    Fill(c.count);
    group_->checkOption(c.before);
    chosen_.clear();
    group_->checkOption(c.set);
    EXPECT_EQ(Checked(), c.after);
    EXPECT_EQ(chosen_, c.reported ? std::vector<int>{c.after} : std::vector<int>{});
    for (int i = 0; i < c.count; ++i) EXPECT_EQ(group_->option(i)->isChecked(), i == c.after) << "option " << i;
  }
}

TEST_F(OptionGroupTest, NewOptionsDropTheChoice) {
  Fill(3);
  group_->checkOption(1);
  chosen_.clear();
  group_->setOptions({QStringLiteral("один"), QStringLiteral("два"), QStringLiteral("три"), QStringLiteral("четыре")});
  EXPECT_EQ(Checked(), -1);
  EXPECT_EQ(group_->optionTexts(), (QStringList{QStringLiteral("один"), QStringLiteral("два"), QStringLiteral("три"),
                                                QStringLiteral("четыре")}));
  EXPECT_TRUE(chosen_.empty());
  // Empty texts are options too.
  group_->setOptions(QStringList(4, QString()));
  EXPECT_EQ(group_->optionTexts().size(), 4);
  EXPECT_NE(group_->option(3), nullptr);
  EXPECT_EQ(group_->option(4), nullptr);
}

TEST_F(OptionGroupTest, AUsersClickChoosesUnlessAlreadyChosenAndArrowsMoveTheChoice) {
  Fill(4);
  QApplication::processEvents();
  QTest::mouseClick(group_->option(2), Qt::LeftButton);  // the middle of it, right of its text
  EXPECT_EQ(Checked(), 2);
  EXPECT_EQ(chosen_, (std::vector<int>{2}));
  QTest::mouseClick(group_->option(2), Qt::LeftButton);  // the chosen one
  EXPECT_EQ(chosen_, (std::vector<int>{2}));
  EXPECT_TRUE(group_->option(2)->isChecked()) << "a click does not uncheck";
  QTest::mouseClick(group_->option(0), Qt::LeftButton);
  EXPECT_EQ(chosen_, (std::vector<int>{2, 0}));
  EXPECT_FALSE(group_->option(2)->isChecked());
  // Arrow keys on the focused option move the choice, each a click.
  group_->option(0)->setFocus();
  QTest::keyClick(group_->option(0), Qt::Key_Down);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
  EXPECT_EQ(chosen_, (std::vector<int>{2, 0, 1, 2, 1, 2, 1}));
  EXPECT_EQ(QApplication::focusWidget(), group_->option(1));
  // Up from the first option and Down from the last go nowhere.
  group_->option(0)->setFocus();
  group_->checkOption(0);
  chosen_.clear();
  QTest::keyClick(group_->option(0), Qt::Key_Up);
  QTest::keyClick(group_->option(0), Qt::Key_Left);
  group_->option(3)->setFocus();
  group_->checkOption(3);
  QTest::keyClick(group_->option(3), Qt::Key_Down);
  EXPECT_EQ(chosen_, std::vector<int>{3});
  EXPECT_EQ(QApplication::focusWidget(), group_->option(3));
}

TEST_F(OptionGroupTest, AFailureOfTheHandlerOnAUsersClickGoesToTheErrorBox) {
  Fill(4);
  QApplication::processEvents();
  BoxRecorder recorder;
  handler_ = [](int) { throw std::runtime_error("Unable to write to /x"); };
  QTest::mouseClick(group_->option(3), Qt::LeftButton);
  ASSERT_EQ(recorder.boxes.size(), 1U);
  EXPECT_EQ(recorder.boxes[0].text, QStringLiteral("Unable to write to /x."));
  EXPECT_EQ(Checked(), 3) << "the choice came before the handler";
}

TEST_F(OptionGroupTest, AHandlerMayReplaceTheOptionsOfTheClickThatRuns) {
  Fill(4);
  QApplication::processEvents();
  handler_ = [this](int) { Fill(4); };
  QTest::mouseClick(group_->option(1), Qt::LeftButton);
  QTest::qWait(20);
  EXPECT_EQ(group_->optionTexts().size(), 4);
  EXPECT_EQ(Checked(), -1);
  EXPECT_EQ(group_->findChildren<QRadioButton*>().size(), 4);
}

// The options of one question make way for the next one's: nothing of the
// earlier choice, check mark or focus is left, the tab stop is the first
// option again, every option shows
// its new text where it belongs, and a new choice is reported.
TEST_F(OptionGroupTest, TheNextQuestionsOptionsStartAfresh) {
  // Of every option widget in the group: how many are visible, checked, tab stops.
  struct Marks {
    int visible = 0;
    int checked = 0;
    int tab_stops = 0;
  };
  const auto marks = [this] {
    Marks m;
    for (const QRadioButton* o : group_->findChildren<QRadioButton*>()) {
      m.visible += o->isVisible() ? 1 : 0;
      m.checked += o->isChecked() ? 1 : 0;
      m.tab_stops += (o->focusPolicy() & Qt::TabFocus) ? 1 : 0;
    }
    return m;
  };
  Fill(4);
  QApplication::processEvents();
  QTest::mouseClick(group_->option(2), Qt::LeftButton);
  group_->option(2)->setFocus(Qt::TabFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), group_->option(2));

  for (const int count : {4, 3, 4, 2}) {
    SCOPED_TRACE(testing::Message() << count << " options");
    chosen_.clear();
    QStringList texts;
    for (int i = 0; i < count; ++i) texts << QStringLiteral("ответ %1 из %2").arg(i).arg(count);
    QRadioButton* focused_before = group_->option(count - 1);
    group_->setOptions(texts);
    QApplication::processEvents();
    EXPECT_EQ(group_->optionTexts(), texts);
    EXPECT_EQ(Checked(), -1);
    EXPECT_EQ(marks().visible, count);
    EXPECT_EQ(marks().checked, 0);
    EXPECT_EQ(marks().tab_stops, 1);
    EXPECT_EQ(group_->option(0)->focusPolicy(), Qt::StrongFocus) << "none checked: the first is the tab stop";
    EXPECT_NE(QApplication::focusWidget(), focused_before);
    EXPECT_EQ(QApplication::focusWidget(), &window_) << "the focus stays with the window";
    const int line_height = LineHeight(group_->font());
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(group_->option(i)->geometry(), OptionGroup::optionGeometry(group_->size(), line_height, count, i)) << i;
    }
    EXPECT_TRUE(chosen_.empty()) << "new options choose nothing";
    // The same place as before, clicked again, is a new choice.
    QTest::mouseClick(group_->option(count - 2), Qt::LeftButton);
    EXPECT_EQ(chosen_, std::vector<int>{count - 2});
    EXPECT_TRUE(group_->option(count - 2)->isChecked());
    group_->option(count - 2)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(group_->option(count - 2), Qt::Key_Down);
    EXPECT_EQ(chosen_, (std::vector<int>{count - 2, count - 1}));
    EXPECT_EQ(QApplication::focusWidget(), group_->option(count - 1));
    EXPECT_EQ(group_->option(count - 1)->focusPolicy(), Qt::StrongFocus);
  }
  EXPECT_EQ(group_->findChildren<QRadioButton*>().size(), 4) << "no option widget made for a refill";
}

// With the keyboard alone: Tab reaches the first option while none is
// checked, without checking it; Space checks the focused option, and the
// arrows move the choice also from an option not checked. A screen reader
// sees the focus and the check mark where they are.
TEST_F(OptionGroupTest, WhileNoneIsCheckedTheFirstOptionTakesTheFocusAndTheKeysChoose) {
  QLineEdit before(&window_);  // the control before the group in the tab order
  before.setGeometry(0, 220, 100, 20);
  before.show();
  const auto accessible = [this](int id) { return QAccessible::queryAccessibleInterface(group_->option(id))->state(); };
  // Tab from the edit box wraps round to the group, Shift+Tab comes back.
  const auto tab_in = [&before] {
    before.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&before, Qt::Key_Tab);
  };
  struct Case {
    const char* keys;  // after tabbing in
    int count;
    int checked_before;  // -1: none
    int focused;  // after tabbing in
    std::vector<int> chosen;  // by the keys
    int focused_after;
  };
  const Case cases[] = {
      {"Space", 4, -1, 0, {0}, 0}, {"Down", 4, -1, 0, {1}, 1},        {"Right Down", 4, -1, 0, {1, 2}, 2},
      {"Up", 4, -1, 0, {}, 0},  // nothing above the first
      {"Left", 4, -1, 0, {}, 0},   {"Space Space", 3, -1, 0, {0}, 0},  // a second Space changes nothing
      {"Down", 1, -1, 0, {}, 0},  // a single option: nowhere to go
      {"Up", 4, 2, 2, {1}, 1},  // a recorded option is the tab stop
      {"Space", 4, 3, 3, {}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " options, " << c.checked_before << " checked, " << c.keys);
    Fill(c.count);
    group_->checkOption(c.checked_before);
    QApplication::processEvents();
    chosen_.clear();
    tab_in();
    ASSERT_EQ(QApplication::focusWidget(), group_->option(c.focused));
    EXPECT_EQ(Checked(), c.checked_before) << "taking the focus checks nothing";
    EXPECT_TRUE(chosen_.empty());
    EXPECT_TRUE(accessible(c.focused).focused);
    EXPECT_EQ(accessible(c.focused).checked, c.checked_before == c.focused);
    for (const QString& key : QString::fromLatin1(c.keys).split(u' ')) {
      const Qt::Key k = key == QLatin1String("Space")   ? Qt::Key_Space
                        : key == QLatin1String("Down")  ? Qt::Key_Down
                        : key == QLatin1String("Right") ? Qt::Key_Right
                        : key == QLatin1String("Up")    ? Qt::Key_Up
                                                        : Qt::Key_Left;
      QTest::keyClick(QApplication::focusWidget(), k);
    }
    EXPECT_EQ(chosen_, c.chosen);
    ASSERT_EQ(QApplication::focusWidget(), group_->option(c.focused_after));
    const int now = c.chosen.empty() ? c.checked_before : c.chosen.back();
    EXPECT_EQ(Checked(), now);
    EXPECT_EQ(accessible(c.focused_after).checked, now == c.focused_after);
    // The tab stop is the option checked now, or still the first.
    for (int i = 0; i < c.count; ++i)
      EXPECT_EQ(group_->option(i)->focusPolicy(), i == std::max(now, 0) ? Qt::StrongFocus : Qt::ClickFocus) << i;
    // Tab leaves the group for the edit box, and Shift+Tab comes back to the tab stop.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &before);
    QTest::keyClick(&before, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), group_->option(std::max(now, 0)));
  }
  // A disabled group takes no focus and no key.
  Fill(4);
  group_->setEnabled(false);
  tab_in();
  EXPECT_EQ(QApplication::focusWidget(), &before);
  group_->setEnabled(true);
}

TEST(OptionGroupGeometry, OptionsShareTheUsableHeightInOneColumn) {
  struct Case {
    QSize size;
    int line_height;
    std::vector<int> tops;  // one per option
    int height;  // of each option
  };
  const Case cases[] = {
      // The main window's question area: U = 208 - 16 - 5 = 187, 46 each,
      // 3 left over, so every option moves down 1.
      {{462, 208}, 16, {18, 64, 110, 156}, 46},
      // The same area 16 pixels shorter: U = 171, 42 each, 3 left over.
      {{462, 192}, 16, {18, 60, 102, 144}, 42},
      // U = 82 for three: 27 each, 1 left over, which moves nothing.
      {{200, 100}, 13, {14, 41, 68}, 27},
      {{300, 121}, 13, {15, 40, 65, 90}, 25},
  };
  for (const Case& c : cases) {
    const int n = static_cast<int>(c.tops.size());
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(OptionGroup::optionGeometry(c.size, c.line_height, n, i),
                QRect(8, c.tops[static_cast<std::size_t>(i)], c.size.width() - 10, c.height))
          << c.size.width() << "x" << c.size.height() << " option " << i;
    }
  }
}

TEST_F(OptionGroupTest, OptionsFollowTheGroupsSizeAndOnlyTheCheckedOneIsATabStop) {
  Fill(4);
  group_->resize(462, 192);
  EXPECT_EQ(group_->option(3)->geometry(), QRect(8, 144, 452, 42));
  // Checked from code, also with the group's signals blocked, as the window
  // shows a question's recorded option.
  {
    const QSignalBlocker quiet(group_->options());
    group_->checkOption(2);
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(group_->option(i)->focusPolicy() == Qt::StrongFocus, i == 2) << i;
  }
  EXPECT_EQ(group_->focusPolicy(), Qt::NoFocus);
  EXPECT_TRUE(group_->options()->exclusive());
}

}  // namespace
}  // namespace miravel::ui
