// The option group: items, the selected index and when the click handler runs,
// the user's clicks and keys, the option geometry, and the one tab stop.
#include "ui/controls/radio_group.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <stdexcept>
#include <vector>

#include "ui/fonts.h"
#include "ui_test_support.h"

namespace miravel::ui {
namespace {

using testing_support::BoxRecorder;

class RadioGroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.resize(500, 260);
    group_ = new RadioGroup(&window_);
    group_->setFont(LargerFont());
    group_->setGeometry(0, 0, 462, 208);
    group_->OnClick = [this] { clicks_.push_back(group_->ItemIndex()); };
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }

  void Fill(int count) {
    for (int i = 0; i < count; ++i) group_->AddItem(QStringLiteral("вариант %1").arg(i));
  }

  QWidget window_;
  RadioGroup* group_ = nullptr;
  std::vector<int> clicks_;  // the selected index each time the handler ran
};

TEST_F(RadioGroupTest, SelectingFromCodeClampsAndRunsTheHandlerInsideTheSetter) {
  struct Case {
    int count;   // options
    int before;  // selected before
    int set;
    int after;
    bool runs;  // the handler ran (once)
  };
  const Case cases[] = {
      {4, -1, 2, 2, true},    {4, -1, 3, 3, true},   {4, -1, 9, 3, true},  // clamped to the last
      {4, 2, 2, 2, false},    {4, 3, 9, 3, false},                         // no change
      {4, 2, -1, -1, false},  {4, 2, -7, -1, false},                       // none: no handler
      {4, 1, 0, 0, true},     {0, -1, 0, -1, false},                       // no options
      {0, -1, 5, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " options, " << c.before << " -> " << c.set);
    group_->ClearItems();
    Fill(c.count);
    auto handler = std::move(group_->OnClick);
    group_->SetItemIndex(c.before);
    group_->OnClick = std::move(handler);
    clicks_.clear();
    group_->SetItemIndex(c.set);
    EXPECT_EQ(group_->ItemIndex(), c.after);
    EXPECT_EQ(clicks_, c.runs ? std::vector<int>{c.after} : std::vector<int>{});
    for (int i = 0; i < group_->Count(); ++i)
      EXPECT_EQ(group_->Option(i)->isChecked(), i == c.after) << "option " << i;
  }
}

TEST_F(RadioGroupTest, ClearingDropsTheSelectionAndAddingKeepsIt) {
  Fill(3);
  group_->SetItemIndex(1);
  group_->AddItem(QStringLiteral("четвёртый"));
  EXPECT_EQ(group_->ItemIndex(), 1);
  EXPECT_TRUE(group_->Option(1)->isChecked());
  EXPECT_FALSE(group_->Option(3)->isChecked());
  EXPECT_EQ(group_->Items(), (QStringList{QStringLiteral("вариант 0"), QStringLiteral("вариант 1"),
                                          QStringLiteral("вариант 2"), QStringLiteral("четвёртый")}));
  clicks_.clear();
  group_->ClearItems();
  EXPECT_EQ(group_->Count(), 0);
  EXPECT_EQ(group_->ItemIndex(), -1);
  EXPECT_TRUE(clicks_.empty());
  // Empty texts are options too.
  for (int i = 0; i < 4; ++i) group_->AddItem(QString());
  EXPECT_EQ(group_->Count(), 4);
  EXPECT_EQ(group_->ItemIndex(), -1);
}

TEST_F(RadioGroupTest, AUsersClickSelectsAndRunsTheHandlerUnlessAlreadySelected) {
  Fill(4);
  QApplication::processEvents();
  QTest::mouseClick(group_->Option(2), Qt::LeftButton);
  EXPECT_EQ(group_->ItemIndex(), 2);
  EXPECT_EQ(clicks_, (std::vector<int>{2}));
  QTest::mouseClick(group_->Option(2), Qt::LeftButton);  // the selected one
  EXPECT_EQ(clicks_, (std::vector<int>{2}));
  EXPECT_TRUE(group_->Option(2)->isChecked()) << "a click does not deselect";
  QTest::mouseClick(group_->Option(0), Qt::LeftButton);
  EXPECT_EQ(clicks_, (std::vector<int>{2, 0}));
  EXPECT_FALSE(group_->Option(2)->isChecked());
  // Arrow keys on the focused option move the selection, each a click.
  group_->Option(0)->setFocus();
  QTest::keyClick(group_->Option(0), Qt::Key_Down);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  EXPECT_EQ(clicks_, (std::vector<int>{2, 0, 1, 2, 1}));
  EXPECT_EQ(QApplication::focusWidget(), group_->Option(1));
  // Up from the first option goes nowhere.
  group_->Option(0)->setFocus();
  group_->SetItemIndex(0);
  clicks_.clear();
  QTest::keyClick(group_->Option(0), Qt::Key_Up);
  EXPECT_TRUE(clicks_.empty());
}

TEST_F(RadioGroupTest, AFailureOfTheHandlerOnAUsersClickGoesToTheErrorBox) {
  Fill(4);
  QApplication::processEvents();
  BoxRecorder recorder;
  group_->OnClick = [] { throw std::runtime_error("Unable to write to /x"); };
  QTest::mouseClick(group_->Option(3), Qt::LeftButton);
  ASSERT_EQ(recorder.boxes.size(), 1U);
  EXPECT_EQ(recorder.boxes[0].text, QStringLiteral("Unable to write to /x."));
  EXPECT_EQ(group_->ItemIndex(), 3) << "the selection came before the handler";
  // From code the failure reaches the caller.
  EXPECT_THROW(group_->SetItemIndex(1), std::runtime_error);
}

TEST_F(RadioGroupTest, AHandlerMayClearTheOptionsOfTheClickThatRuns) {
  Fill(4);
  QApplication::processEvents();
  group_->OnClick = [this] {
    group_->ClearItems();
    Fill(4);
  };
  QTest::mouseClick(group_->Option(1), Qt::LeftButton);
  QTest::qWait(20);  // the event loop deletes the old options
  EXPECT_EQ(group_->Count(), 4);
  EXPECT_EQ(group_->ItemIndex(), -1);
  EXPECT_EQ(group_->findChildren<RadioOption*>().size(), 4);
}

// The options of one question make way for the next one's: nothing of the
// earlier selection, check mark, focus or tab stop is left, every option
// shows its new text where it belongs, and a new selection runs the handler.
TEST_F(RadioGroupTest, TheNextQuestionsOptionsStartAfresh) {
  // Of every option widget in the group: how many are visible, checked, tab stops.
  struct Marks {
    int visible = 0;
    int checked = 0;
    int tab_stops = 0;
  };
  const auto marks = [this] {
    Marks m;
    for (const RadioOption* o : group_->findChildren<RadioOption*>()) {
      m.visible += o->isVisible() ? 1 : 0;
      m.checked += o->isChecked() ? 1 : 0;
      m.tab_stops += o->focusPolicy() == Qt::StrongFocus ? 1 : 0;
    }
    return m;
  };
  Fill(4);
  QApplication::processEvents();
  QTest::mouseClick(group_->Option(2), Qt::LeftButton);
  group_->Option(2)->setFocus(Qt::TabFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), group_->Option(2));

  for (const int count : {4, 3, 4, 2}) {
    SCOPED_TRACE(testing::Message() << count << " options");
    clicks_.clear();
    group_->ClearItems();
    EXPECT_EQ(group_->Count(), 0);
    EXPECT_EQ(group_->ItemIndex(), -1);
    EXPECT_EQ(group_->Option(0), nullptr);
    EXPECT_EQ(marks().visible, 0);
    EXPECT_EQ(marks().checked, 0);
    EXPECT_EQ(marks().tab_stops, 0);
    EXPECT_NE(QApplication::focusWidget(), group_->Option(2));
    QStringList texts;
    for (int i = 0; i < count; ++i) texts << QStringLiteral("ответ %1 из %2").arg(i).arg(count);
    for (const QString& text : texts) group_->AddItem(text);
    QApplication::processEvents();
    EXPECT_EQ(group_->Items(), texts);
    EXPECT_EQ(group_->ItemIndex(), -1);
    EXPECT_EQ(marks().visible, count);
    EXPECT_EQ(marks().checked, 0);
    EXPECT_EQ(marks().tab_stops, 0);
    EXPECT_EQ(QApplication::focusWidget(), &window_) << "the focus stays with the window";
    const int line_height = LineHeight(group_->font());
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(group_->Option(i)->geometry(),
                RadioGroup::OptionGeometry(group_->size(), line_height, count, i))
          << i;
    }
    EXPECT_TRUE(clicks_.empty()) << "filling selects nothing";
    // The same place as before, clicked again, is a new selection.
    QTest::mouseClick(group_->Option(count - 2), Qt::LeftButton);
    EXPECT_EQ(clicks_, std::vector<int>{count - 2});
    EXPECT_TRUE(group_->Option(count - 2)->isChecked());
    group_->Option(count - 2)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(group_->Option(count - 2), Qt::Key_Down);
    EXPECT_EQ(clicks_, (std::vector<int>{count - 2, count - 1}));
    EXPECT_EQ(QApplication::focusWidget(), group_->Option(count - 1));
    EXPECT_EQ(group_->Option(count - 1)->focusPolicy(), Qt::StrongFocus);
  }
  EXPECT_EQ(group_->findChildren<RadioOption*>().size(), 4) << "no option widget made for a refill";
}

TEST(RadioGroupGeometry, OptionsShareTheUsableHeightInOneColumn) {
  struct Case {
    QSize size;
    int line_height;
    std::vector<int> tops;  // one per option
    int height;             // of each option
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
      EXPECT_EQ(RadioGroup::OptionGeometry(c.size, c.line_height, n, i),
                QRect(8, c.tops[static_cast<std::size_t>(i)], c.size.width() - 10, c.height))
          << c.size.width() << "x" << c.size.height() << " option " << i;
    }
  }
}

TEST_F(RadioGroupTest, OptionsFollowTheGroupsSizeAndOnlyTheSelectedOneIsATabStop) {
  Fill(4);
  group_->resize(462, 192);
  EXPECT_EQ(group_->Option(3)->geometry(), QRect(8, 144, 452, 42));
  group_->SetItemIndex(2);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(group_->Option(i)->focusPolicy() == Qt::StrongFocus, i == 2) << i;
  }
  EXPECT_EQ(group_->focusPolicy(), Qt::NoFocus);
}

}  // namespace
}  // namespace miravel::ui
