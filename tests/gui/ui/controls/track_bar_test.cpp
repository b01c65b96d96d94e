// SPDX-License-Identifier: GPL-3.0-or-later
// The track bar: when positionNotified runs (each change of the value from
// code, also from inside a handler, and every scroll notification of the
// user's keys and mouse, changed or not), its key directions, paging towards
// a held mouse, and the spacing of its tick marks.
#include "ui/controls/track_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTest>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/guard.h"
#include "ui_test_support.h"

namespace miravel::ui {
namespace {

using testing_support::Box;
using testing_support::BoxRecorder;

// Brings a track bar to a range and value without notifying.
void SetState(TrackBar& bar, int min, int max, int value) {
  const QSignalBlocker blocker(bar);
  bar.setRange(min, max);
  bar.setValue(value);
}

QRect HandleRect(const TrackBar& bar) { return testing_support::ThumbRect(bar); }

// The main window's question scale: 462 x 45 on a shown, active window.
class TrackBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.resize(480, 60);
    bar_ = new TrackBar(&window_);
    bar_->setGeometry(0, 0, 462, 45);
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    bar_->setFocus();
    SetState(*bar_, 1, 10, 5);
    // The handler, as the program connects it: through the failure guard.
    QObject::connect(bar_, &TrackBar::positionNotified, bar_, GuardedSlot([this] { handler_(); }));
    handler_ = [this] { seen_.push_back(bar_->value()); };
  }

  QWidget window_;
  TrackBar* bar_ = nullptr;
  std::function<void()> handler_;
  std::vector<int> seen_;  // the value each time the handler ran
};

TEST_F(TrackBarTest, LooksAndStepsAsDesigned) {
  EXPECT_EQ(bar_->orientation(), Qt::Horizontal);
  EXPECT_EQ(bar_->tickPosition(), QSlider::TicksBelow);
  EXPECT_EQ(bar_->tickInterval(), 1);  // one tick mark per position
  EXPECT_EQ(bar_->singleStep(), 1);
  EXPECT_EQ(bar_->pageStep(), 2);
  EXPECT_TRUE(bar_->focusPolicy() & Qt::TabFocus);
}

TEST_F(TrackBarTest, MorePositionsThanPixelsSpaceTheTickMarks) {
  SetState(*bar_, 1, 10001, 1);
  EXPECT_EQ(bar_->tickInterval(), 22);  // 10,000 steps over 462 pixels
  bar_->resize(231, 45);
  EXPECT_EQ(bar_->tickInterval(), 44);
  SetState(*bar_, 1, 233, 1);  // 232 steps: one too many
  EXPECT_EQ(bar_->tickInterval(), 2);
  SetState(*bar_, 1, 232, 1);  // one step a pixel
  EXPECT_EQ(bar_->tickInterval(), 1);
}

// --- Changes from code ---------------------------------------------------------

struct SetterCase {
  const char* name;
  int min, max, value;  // before
  std::function<void(TrackBar&)> set;
  int want_min, want_max, want_value;
  std::vector<int> want_seen;  // the values the handler saw, one per run
};

TEST_F(TrackBarTest, ChangesFromCodeClampAndNotifyOnlyARealChange) {
  const std::vector<SetterCase> cases = {
      {"value inside", 1, 10, 1, [](TrackBar& b) { b.setValue(5); }, 1, 10, 5, {5}},
      {"value equal", 1, 10, 5, [](TrackBar& b) { b.setValue(5); }, 1, 10, 5, {}},
      {"value above max", 1, 10, 5, [](TrackBar& b) { b.setValue(50); }, 1, 10, 10, {10}},
      {"value below min", 1, 10, 5, [](TrackBar& b) { b.setValue(-3); }, 1, 10, 1, {1}},
      {"clamped onto the old", 1, 10, 10, [](TrackBar& b) { b.setValue(11); }, 1, 10, 10, {}},
      {"clamped onto the old min", 1, 10, 1, [](TrackBar& b) { b.setValue(0); }, 1, 10, 1, {}},
      {"max up", 1, 10, 5, [](TrackBar& b) { b.setMaximum(21); }, 1, 21, 5, {}},
      {"max onto value", 1, 10, 5, [](TrackBar& b) { b.setMaximum(5); }, 1, 5, 5, {}},
      {"max below value", 1, 10, 5, [](TrackBar& b) { b.setMaximum(3); }, 1, 3, 3, {3}},
      {"max onto min", 1, 10, 5, [](TrackBar& b) { b.setMaximum(1); }, 1, 1, 1, {1}},
      {"max equal", 1, 10, 10, [](TrackBar& b) { b.setMaximum(10); }, 1, 10, 10, {}},
      {"min above value", 1, 10, 5, [](TrackBar& b) { b.setMinimum(7); }, 7, 10, 7, {7}},
      {"min onto max", 1, 10, 5, [](TrackBar& b) { b.setMinimum(10); }, 10, 10, 10, {10}},
      {"min down", 1, 10, 5, [](TrackBar& b) { b.setMinimum(-5); }, -5, 10, 5, {}},
  };
  // Disabled, the track bar follows the same rules.
  for (const bool enabled : {true, false}) {
    for (const SetterCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (enabled ? "" : ", disabled"));
      bar_->setEnabled(enabled);
      SetState(*bar_, c.min, c.max, c.value);
      seen_.clear();
      c.set(*bar_);
      EXPECT_EQ(seen_, c.want_seen);
      EXPECT_EQ(bar_->minimum(), c.want_min);
      EXPECT_EQ(bar_->maximum(), c.want_max);
      EXPECT_EQ(bar_->value(), c.want_value);
    }
  }
}

TEST_F(TrackBarTest, AHandlerMayMoveTheTrackBarAgain) {
  // Each run moves one further until 5: the runs nest and each sees its own value.
  handler_ = [this] {
    seen_.push_back(bar_->value());
    if (bar_->value() < 5) bar_->setValue(bar_->value() + 1);
  };
  SetState(*bar_, 1, 10, 1);
  bar_->setValue(2);
  EXPECT_EQ(seen_, (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ(bar_->value(), 5);

  // A handler that moves it back: the last move wins.
  seen_.clear();
  handler_ = [this] {
    seen_.push_back(bar_->value());
    if (bar_->value() == 8) bar_->setValue(2);
  };
  bar_->setValue(8);
  EXPECT_EQ(seen_, (std::vector<int>{8, 2}));
  EXPECT_EQ(bar_->value(), 2);
  EXPECT_EQ(bar_->sliderPosition(), 2) << "also on screen";
}

// --- The user's keys ----------------------------------------------------------

struct KeyCase {
  const char* name;
  Qt::Key key;
  int from;
  std::vector<int> want_seen;  // on the press, then on the release
};

TEST_F(TrackBarTest, KeysMoveItAndNotifyOnPressAndRelease) {
  const std::vector<KeyCase> cases = {
      {"right", Qt::Key_Right, 5, {6, 6}},
      {"left", Qt::Key_Left, 5, {4, 4}},
      {"right at the end", Qt::Key_Right, 10, {10, 10}},
      {"left at the start", Qt::Key_Left, 1, {1, 1}},
      // Down and Page Down move right, as on the desktop's track bars.
      {"down", Qt::Key_Down, 5, {6, 6}},
      {"up", Qt::Key_Up, 5, {4, 4}},
      {"page down", Qt::Key_PageDown, 5, {7, 7}},
      {"page up", Qt::Key_PageUp, 5, {3, 3}},
      {"page down near the end", Qt::Key_PageDown, 9, {10, 10}},
      {"page up near the start", Qt::Key_PageUp, 2, {1, 1}},
      {"home", Qt::Key_Home, 5, {1, 1}},
      {"end", Qt::Key_End, 5, {10, 10}},
      {"end at the end", Qt::Key_End, 10, {10, 10}},
      {"a letter", Qt::Key_A, 5, {}},
      {"space", Qt::Key_Space, 5, {}},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetState(*bar_, 1, 10, c.from);
    seen_.clear();
    QTest::keyClick(bar_, c.key);
    EXPECT_EQ(seen_, c.want_seen);
    EXPECT_EQ(bar_->value(), c.want_seen.empty() ? c.from : c.want_seen.back());
  }
}

TEST_F(TrackBarTest, AHeldKeyNotifiesEveryRepeatAndTheEndOnce) {
  const auto send = [this](QEvent::Type type, bool repeat) {
    QKeyEvent event(type, Qt::Key_Right, Qt::NoModifier, QString(), repeat);
    QApplication::sendEvent(bar_, &event);
  };
  send(QEvent::KeyPress, false);
  send(QEvent::KeyRelease, true);  // the platform's auto-repeat pairs
  send(QEvent::KeyPress, true);
  send(QEvent::KeyRelease, true);
  send(QEvent::KeyPress, true);
  send(QEvent::KeyRelease, false);  // the key is let go
  EXPECT_EQ(seen_, (std::vector<int>{6, 7, 8, 8}));
}

TEST_F(TrackBarTest, AHandlerMovingItFromInsideAKeyPressWins) {
  handler_ = [this] {
    seen_.push_back(bar_->value());
    if (bar_->value() == 6) bar_->setValue(8);
  };
  QTest::keyClick(bar_, Qt::Key_Right);
  // The key's move, the nested move, then the release reads the moved value.
  EXPECT_EQ(seen_, (std::vector<int>{6, 8, 8}));
  EXPECT_EQ(bar_->value(), 8);
}

// --- The user's mouse ---------------------------------------------------------

TEST_F(TrackBarTest, DraggingTheThumbNotifiesEveryPositionAndTheRelease) {
  SetState(*bar_, 1, 10, 1);
  const QRect thumb = HandleRect(*bar_);
  ASSERT_TRUE(bar_->rect().contains(thumb)) << "thumb outside the control";
  const int y = thumb.center().y();
  int x = thumb.center().x();
  QTest::mousePress(bar_, Qt::LeftButton, Qt::NoModifier, {x, y});
  for (; x < bar_->width(); ++x) QTest::mouseMove(bar_, {x, y});
  for (; x >= 0; --x) QTest::mouseMove(bar_, {x, y});
  const std::vector<int> while_dragging = seen_;
  QTest::mouseRelease(bar_, Qt::LeftButton, Qt::NoModifier, {0, y});

  // Every position on the way, in order, none skipped.
  std::vector<int> want;
  for (int p = 2; p <= 10; ++p) want.push_back(p);
  for (int p = 9; p >= 1; --p) want.push_back(p);
  std::vector<int> distinct = while_dragging;
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  EXPECT_EQ(distinct, want);
  // The release notifies once more at the same position.
  ASSERT_EQ(seen_.size(), while_dragging.size() + 1);
  EXPECT_EQ(seen_.back(), 1);
  EXPECT_EQ(bar_->value(), 1);
}

TEST_F(TrackBarTest, AClickBesideTheThumbPagesTowardsIt) {
  SetState(*bar_, 1, 10, 1);
  const QRect thumb = HandleRect(*bar_);
  QTest::mouseClick(bar_, Qt::LeftButton, Qt::NoModifier, {bar_->width() - 3, thumb.center().y()});
  // The page step on the press, the end of scrolling on the release.
  EXPECT_EQ(seen_, (std::vector<int>{3, 3}));
  EXPECT_EQ(bar_->value(), 3);
}

TEST_F(TrackBarTest, HoldingTheMouseBesideTheThumbKeepsPagingUntilTheThumbIsThere) {
  SetState(*bar_, 1, 10, 1);
  const QPoint beside(bar_->width() - 3, HandleRect(*bar_).center().y());
  QTest::mousePress(bar_, Qt::LeftButton, Qt::NoModifier, beside);
  EXPECT_TRUE(QTest::qWaitFor([this] { return bar_->value() == 10; }, 10000));
  QTest::mouseRelease(bar_, Qt::LeftButton, Qt::NoModifier, beside);

  std::vector<int> distinct = seen_;
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  EXPECT_EQ(distinct, (std::vector<int>{3, 5, 7, 9, 10}));
  ASSERT_FALSE(seen_.empty());
  EXPECT_EQ(seen_.back(), 10);
}

TEST_F(TrackBarTest, AFailingHandlerGoesToTheErrorBoxAndTheValueStays) {
  BoxRecorder recorder;
  int runs = 0;
  handler_ = [&runs] {
    ++runs;
    throw std::runtime_error("Range check error");
  };
  QTest::keyClick(bar_, Qt::Key_Right);
  EXPECT_EQ(bar_->value(), 6);
  QTest::mouseClick(bar_, Qt::LeftButton, Qt::NoModifier, {bar_->width() - 3, HandleRect(*bar_).center().y()});
  EXPECT_EQ(bar_->value(), 8);
  bar_->setValue(2);
  EXPECT_EQ(bar_->value(), 2);

  EXPECT_EQ(runs, 5);  // press and release of each, and the change from code
  ASSERT_EQ(recorder.boxes.size(), 5U);
  for (const Box& box : recorder.boxes) {
    EXPECT_EQ(box.caption, QStringLiteral("Миравель"));
    EXPECT_EQ(box.text, QStringLiteral("Range check error."));
  }
}

}  // namespace
}  // namespace miravel::ui
