// The status line: which control the pointer is over, whose hint shows, and
// when the status bar is written.
#include "ui/controls/status_hint.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include <QGroupBox>

#include "ui/controls/control.h"
#include "ui/controls/gauge.h"
#include "ui/controls/mnemonic_label.h"

namespace miravel::ui {
namespace {

// window (hint "W|window")
//   outer panel 0,0 300x200 (no hint)
//     group 10,10 200x100 (hint "group")
//       edit 10,20 80x21 (hint "edit")
//       button 100,20 80x25 (hint "button")
//       back label 10,60 100x16 (hint "back"), front label 50,60 100x16 (no hint)
//     gauge 10,120 100x17 (hint "gauge")
//   status bar 0,200 300x19
class StatusHintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<QWidget>();
    window_->resize(300, 219);
    SetHint(window_.get(), QStringLiteral("W|window"));
    auto* outer = new QWidget(window_.get());
    outer->setGeometry(0, 0, 300, 200);
    group_ = new QGroupBox(outer);
    group_->setGeometry(10, 10, 200, 100);
    SetHint(group_, QStringLiteral("group"));
    edit_ = Make<QLineEdit>(group_, {10, 20, 80, 21}, "edit");
    button_ = Make<QPushButton>(group_, {100, 20, 80, 25}, "button");
    back_ = Make<MnemonicLabel>(group_, {10, 60, 100, 16}, "back");
    MarkGraphic(back_);
    front_ = Make<MnemonicLabel>(group_, {50, 60, 100, 16}, "");
    MarkGraphic(front_);
    gauge_ = Make<Gauge>(outer, {10, 120, 100, 17}, "gauge");
    bar_ = new StatusBar(window_.get());
    bar_->setGeometry(0, 200, 300, 19);
    tracker_ = new HintTracker(*bar_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  template <typename T>
  T* Make(QWidget* parent, QRect geometry, const char* hint) {
    auto* w = new T(parent);
    w->setGeometry(geometry);
    SetHint(w, QString::fromLatin1(hint));
    return w;
  }

  // The status bar once the pointer has moved to `pos` and the loop is idle.
  QString After(QPoint pos) {
    QTest::mouseMove(window_.get(), pos);
    QApplication::processEvents();
    QApplication::processEvents();
    return bar_->SimpleText();
  }

  std::unique_ptr<QWidget> window_;
  QGroupBox* group_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QPushButton* button_ = nullptr;
  MnemonicLabel* back_ = nullptr;
  MnemonicLabel* front_ = nullptr;
  Gauge* gauge_ = nullptr;
  StatusBar* bar_ = nullptr;
  HintTracker* tracker_ = nullptr;
};

TEST_F(StatusHintTest, TheControlUnderThePointer) {
  EXPECT_EQ(ControlAt(*window_, {30, 40}), edit_);
  EXPECT_EQ(ControlAt(*window_, {120, 40}), button_);
  EXPECT_EQ(ControlAt(*window_, {30, 75}), back_) << "only the back label is there";
  EXPECT_EQ(ControlAt(*window_, {80, 75}), front_) << "the later label lies in front";
  EXPECT_EQ(ControlAt(*window_, {15, 15}), group_) << "the group's frame";
  EXPECT_EQ(ControlAt(*window_, {20, 125}), gauge_);
  EXPECT_EQ(ControlAt(*window_, {400, 10}), nullptr) << "outside the window";
  // A disabled window-owning control is passed over: its container counts.
  button_->setEnabled(false);
  EXPECT_EQ(ControlAt(*window_, {120, 40}), group_);
  // A disabled label still counts, inside an enabled container.
  back_->setEnabled(false);
  EXPECT_EQ(ControlAt(*window_, {30, 75}), back_);
  // Hidden controls are not there.
  front_->hide();
  EXPECT_EQ(ControlAt(*window_, {80, 75}), back_);
}

TEST_F(StatusHintTest, TheHintComesFromTheControlOrItsNearestContainerWithOne) {
  EXPECT_EQ(StatusHint(edit_), QStringLiteral("edit"));
  EXPECT_EQ(StatusHint(front_), QStringLiteral("group")) << "no hint of its own";
  EXPECT_EQ(StatusHint(gauge_->parentWidget()), QStringLiteral("window"))
      << "the window's own hint, after the first \"|\"";
  EXPECT_EQ(StatusHint(nullptr), QString());
  SetHint(edit_, QStringLiteral("a|b|c"));
  EXPECT_EQ(StatusHint(edit_), QStringLiteral("b|c"));
  SetHint(edit_, QStringLiteral("|"));
  EXPECT_EQ(StatusHint(edit_), QString()) << "an empty text after the bar";
}

TEST_F(StatusHintTest, TheBarFollowsThePointerAndIsWrittenOnlyOnAChange) {
  EXPECT_EQ(After({30, 40}), QStringLiteral("edit"));
  EXPECT_EQ(After({80, 75}), QStringLiteral("group"));
  EXPECT_EQ(After({20, 125}), QStringLiteral("gauge"));
  // Something else writes the bar: the same hint is not written again...
  bar_->SetSimpleText(QStringLiteral("other"));
  EXPECT_EQ(After({25, 126}), QStringLiteral("other"));
  // ...a different one is.
  EXPECT_EQ(After({30, 40}), QStringLiteral("edit"));
  // Leaving the window empties it at the next idle moment.
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(window_->windowHandle(), &leave);
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_EQ(bar_->SimpleText(), QString());
}

TEST_F(StatusHintTest, NoControlShowsAPopUpTip) {
  edit_->setToolTip(QStringLiteral("tip"));
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), edit_->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(edit_, &help);
  QApplication::processEvents();
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(w->inherits("QTipLabel") && w->isVisible()) << "a tip came up";
}

}  // namespace
}  // namespace miravel::ui
