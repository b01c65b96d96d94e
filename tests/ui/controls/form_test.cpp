// Push buttons with the default and cancel roles, and the window's keyboard
// rule: Enter clicks the first default button in control order that is
// visible and enabled with all its containers, unless a push button has the
// focus (it takes Enter itself); Esc clicks the cancel button.
#include "ui/controls/form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/controls/push_button.h"
#include "ui_test_support.h"

namespace miravel::ui {
namespace {

using Clicks = std::vector<std::string>;

// A window with an edit box and, in control order, B1 in a group of its own,
// then B2, B3 and C (a cancel button) in a strip.
class FormTest : public ::testing::Test {
 public:  // the cases below reach the buttons
  void SetUp() override {
    form_ = std::make_unique<Form>(QStringLiteral("TestForm"), QSize(300, 200), false);
    group_ = new QWidget(form_.get());
    group_->setGeometry(0, 0, 300, 100);
    edit_ = new QLineEdit(group_);
    edit_->setGeometry(10, 10, 100, 21);
    b1_ = Button(group_, "B1", 10);
    auto* strip = new QWidget(form_.get());
    strip->setGeometry(0, 100, 300, 100);
    b2_ = Button(strip, "B2", 10);
    b3_ = Button(strip, "B3", 100);
    cancel_ = Button(strip, "C", 190);
    cancel_->SetCancel(true);
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    edit_->setFocus();
  }

  PushButton* Button(QWidget* parent, const char* name, int x) {
    auto* b = new PushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, 50, 75, 25);
    b->OnClick = [this, b] { clicks_.push_back(b->objectName().toStdString()); };
    return b;
  }

  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
  }

  std::unique_ptr<Form> form_;
  QWidget* group_ = nullptr;
  QLineEdit* edit_ = nullptr;
  PushButton* b1_ = nullptr;
  PushButton* b2_ = nullptr;
  PushButton* b3_ = nullptr;
  PushButton* cancel_ = nullptr;
  Clicks clicks_;
};

TEST_F(FormTest, EnterClicksTheFirstDefaultButtonThatCanBeClicked) {
  struct Case {
    const char* state;
    std::function<void(FormTest&)> set;
    const char* clicked;  // "" for none
  };
  const std::vector<Case> cases = {
      {"no default button", [](FormTest&) {}, ""},
      {"B2 and B3 default", [](FormTest& t) { t.b2_->SetDefault(true); t.b3_->SetDefault(true); },
       "B2"},
      {"all three default", [](FormTest& t) { t.b1_->SetDefault(true); }, "B1"},
      {"B1 disabled", [](FormTest& t) { t.b1_->setEnabled(false); }, "B2"},
      {"B1's group disabled, B1 itself enabled",
       [](FormTest& t) { t.b1_->setEnabled(true); t.group_->setEnabled(false); }, "B2"},
      {"B2 hidden", [](FormTest& t) { t.group_->setEnabled(true); t.b2_->hide(); }, "B1"},
      {"B1's group hidden", [](FormTest& t) { t.group_->hide(); }, "B3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    c.set(*this);
    if (!edit_->isVisible()) form_->setFocus();  // the edit box went with its group
    clicks_.clear();
    Key(Qt::Key_Return);
    EXPECT_EQ(clicks_, std::string(c.clicked).empty() ? Clicks{} : Clicks{c.clicked});
  }
}

TEST_F(FormTest, EnterWithAModifierClicksNothingAndTheKeypadEnterCounts) {
  b2_->SetDefault(true);
  Key(Qt::Key_Return, Qt::ShiftModifier);
  Key(Qt::Key_Return, Qt::ControlModifier);
  Key(Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
  EXPECT_TRUE(clicks_.empty());
  Key(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(clicks_, Clicks{"B2"});
}

TEST_F(FormTest, AFocusedPushButtonTakesEnterItself) {
  b1_->SetDefault(true);
  b3_->setFocus();
  Key(Qt::Key_Return);
  EXPECT_EQ(clicks_, Clicks{"B3"});
  cancel_->setFocus();
  Key(Qt::Key_Return);
  EXPECT_EQ(clicks_, (Clicks{"B3", "C"}));
}

TEST_F(FormTest, EscClicksTheCancelButtonWhereverTheFocusIs) {
  Key(Qt::Key_Escape);
  b1_->setFocus();
  Key(Qt::Key_Escape);
  EXPECT_EQ(clicks_, (Clicks{"C", "C"}));
  cancel_->setEnabled(false);
  Key(Qt::Key_Escape);
  EXPECT_EQ(clicks_.size(), 2U);
}

TEST_F(FormTest, TheDefaultFlagShowsAtOnceAndTheClickStoresTheResultFirst) {
  b2_->SetDefault(true);
  EXPECT_TRUE(b2_->isDefault()) << "drawn as the default button";
  EXPECT_TRUE(b2_->property("Default").toBool());
  b2_->SetModalResult(7);
  b2_->BeforeClick = [this](PushButton& b) { form_->SetModalResult(b.ModalResult()); };
  int seen = -1;
  b2_->OnClick = [this, &seen] { seen = form_->ModalResult(); };
  QTest::mouseClick(b2_, Qt::LeftButton);
  EXPECT_EQ(seen, 7);
  EXPECT_TRUE(form_->isVisible()) << "a click alone does not close the window";
}

TEST_F(FormTest, AFailingClickGoesToTheErrorBoxButFromCodeReachesTheCaller) {
  testing_support::BoxRecorder recorder;
  b2_->OnClick = [] { throw std::runtime_error("Unable to write to /x"); };
  QTest::mouseClick(b2_, Qt::LeftButton);
  ASSERT_EQ(recorder.boxes.size(), 1U);
  EXPECT_EQ(recorder.boxes[0].text, QStringLiteral("Unable to write to /x."));
  EXPECT_THROW(b2_->Click(), std::runtime_error);
  // A hidden or disabled button cannot be clicked, but its handler can be called.
  b3_->setEnabled(false);
  QTest::mouseClick(b3_, Qt::LeftButton);
  EXPECT_TRUE(clicks_.empty());
  b3_->Click();
  EXPECT_EQ(clicks_, Clicks{"B3"});
}

TEST(FormFrame, FixedSizeWithACloseButtonOnly) {
  const Form form(QStringLiteral("F"), QSize(233, 93), true);
  EXPECT_EQ(form.objectName(), "F");
  EXPECT_EQ(form.size(), QSize(233, 93));
  EXPECT_EQ(form.minimumSize(), QSize(233, 93));
  EXPECT_EQ(form.maximumSize(), QSize(233, 93));
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
}

}  // namespace
}  // namespace miravel::ui
