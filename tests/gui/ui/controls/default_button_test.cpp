// SPDX-License-Identifier: GPL-3.0-or-later
// Enter in a window that is no dialog: which push button it clicks (the
// focused one, else the first default one in control order that is visible
// and enabled with all its containers) and which Enter counts (no Shift,
// Ctrl or Alt).
#include "ui/controls/default_button.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

namespace miravel::ui {
namespace {

// A window with an edit box that has the focus and, in control order, B1 in
// a group of its own, then B2 and B3 in a strip.
class DefaultButtonTest : public ::testing::Test {
 public:  // the cases below reach the buttons
  void SetUp() override {
    window_ = std::make_unique<QWidget>();
    window_->resize(300, 200);
    group_ = new QWidget(window_.get());
    group_->setGeometry(0, 0, 300, 100);
    b1_ = Button(group_, "B1", 10);
    auto* strip = new QWidget(window_.get());
    strip->setGeometry(0, 100, 300, 100);
    b2_ = Button(strip, "B2", 10);
    b3_ = Button(strip, "B3", 100);
    edit_ = new QLineEdit(window_.get());
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    edit_->setFocus();
  }

  static QPushButton* Button(QWidget* parent, const char* name, int x) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, 50, 75, 25);
    return b;
  }

  std::unique_ptr<QWidget> window_;
  QWidget* group_ = nullptr;
  QPushButton* b1_ = nullptr;
  QPushButton* b2_ = nullptr;
  QPushButton* b3_ = nullptr;
  QLineEdit* edit_ = nullptr;
};

TEST_F(DefaultButtonTest, TheFirstDefaultButtonThatCanBeClicked) {
  struct Case {
    const char* state;
    std::function<void(DefaultButtonTest&)> set;
    const char* chosen;  // "" for none
  };
  const std::vector<Case> cases = {
      {"no default button", [](DefaultButtonTest&) {}, ""},
      {"B2 and B3 default",
       [](DefaultButtonTest& t) {
         t.b2_->setDefault(true);
         t.b3_->setDefault(true);
       },
       "B2"},
      {"all three default", [](DefaultButtonTest& t) { t.b1_->setDefault(true); }, "B1"},
      {"B1 disabled", [](DefaultButtonTest& t) { t.b1_->setEnabled(false); }, "B2"},
      {"B1's group disabled, B1 itself enabled",
       [](DefaultButtonTest& t) {
         t.b1_->setEnabled(true);
         t.group_->setEnabled(false);
       },
       "B2"},
      {"B2 hidden",
       [](DefaultButtonTest& t) {
         t.group_->setEnabled(true);
         t.b2_->hide();
       },
       "B1"},
      {"B1's group hidden", [](DefaultButtonTest& t) { t.group_->hide(); }, "B3"},
      {"B3 no longer default", [](DefaultButtonTest& t) { t.b3_->setDefault(false); }, ""},
      {"B3 focused", [](DefaultButtonTest& t) { t.b3_->setFocus(); }, "B3"},
      {"B3 focused, B2 default",
       [](DefaultButtonTest& t) {
         t.b2_->show();
         t.b2_->setDefault(true);
       },
       "B3"},
      {"B2 default after B3 had the focus", [](DefaultButtonTest& t) { t.edit_->setFocus(); }, "B2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    c.set(*this);
    QPushButton* chosen = ButtonForEnter(*window_);
    EXPECT_EQ(chosen ? chosen->objectName() : QString(), QString::fromLatin1(c.chosen));
  }
}

TEST(PlainEnter, IsEnterOrReturnWithoutShiftCtrlOrAlt) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool plain;
  };
  const Case cases[] = {
      {Qt::Key_Return, Qt::NoModifier, true},       {Qt::Key_Enter, Qt::KeypadModifier, true},
      {Qt::Key_Return, Qt::MetaModifier, true},     {Qt::Key_Return, Qt::ShiftModifier, false},
      {Qt::Key_Return, Qt::ControlModifier, false}, {Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier, false},
      {Qt::Key_Space, Qt::NoModifier, false},       {Qt::Key_Escape, Qt::NoModifier, false},
  };
  for (const Case& c : cases) {
    const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
    EXPECT_EQ(IsPlainEnter(event), c.plain) << c.key << " " << c.modifiers.toInt();
  }
}

}  // namespace
}  // namespace miravel::ui
