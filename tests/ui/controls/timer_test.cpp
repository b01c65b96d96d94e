// The timer: ticks only while enabled, the first one interval after enabling,
// and a new interval each time it is enabled again.
#include "ui/controls/timer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <stdexcept>
#include <vector>

#include "ui_test_support.h"

namespace miravel::ui {
namespace {

using testing_support::BoxRecorder;

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    timer_.SetInterval(100);
    timer_.OnTimer = [this] { ticks_.push_back(clock_.elapsed()); };
  }
  // Runs the event loop for `ms` milliseconds.
  static void Run(int ms) { QTest::qWait(ms); }

  Timer timer_;
  QElapsedTimer clock_;
  std::vector<qint64> ticks_;  // when each tick came, from clock_'s start
};

TEST(TimerDefaults, StartsDisabledWithASecondInterval) {
  const Timer timer;
  EXPECT_FALSE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000);
}

// Lower bounds only: a busy machine may deliver a tick late, never early.
TEST_F(TimerTest, TicksEveryIntervalFromEnablingUntilDisabled) {
  clock_.start();
  timer_.SetEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([this] { return ticks_.size() == 3; }, 5000));
  timer_.SetEnabled(false);
  for (std::size_t i = 0; i < ticks_.size(); ++i)
    EXPECT_GE(ticks_[i], 100 * static_cast<qint64>(i + 1)) << "tick " << i;
  Run(250);
  EXPECT_EQ(ticks_.size(), 3U) << "no tick while disabled";
}

TEST_F(TimerTest, EnablingAgainStartsANewIntervalButEnablingTwiceChangesNothing) {
  timer_.SetInterval(400);
  clock_.start();
  timer_.SetEnabled(true);
  Run(250);
  timer_.SetEnabled(true);  // already on: the running interval goes on
  ASSERT_TRUE(QTest::qWaitFor([this] { return !ticks_.empty(); }, 5000));
  EXPECT_GE(ticks_[0], 400);
  EXPECT_LT(ticks_[0], 650) << "a restarted interval would end at 650";

  timer_.SetEnabled(false);
  ticks_.clear();
  Run(100);
  clock_.restart();
  timer_.SetEnabled(true);  // off and on: a whole new interval
  ASSERT_TRUE(QTest::qWaitFor([this] { return !ticks_.empty(); }, 5000));
  EXPECT_GE(ticks_[0], 400);
  timer_.SetEnabled(false);
}

TEST_F(TimerTest, AFailingTickGoesToTheErrorBoxAndTheTimerGoesOn) {
  BoxRecorder recorder;
  int runs = 0;
  timer_.OnTimer = [&runs] {
    ++runs;
    throw std::runtime_error("Range check error");
  };
  timer_.SetEnabled(true);
  ASSERT_TRUE(QTest::qWaitFor([&runs] { return runs == 2; }, 5000));
  timer_.SetEnabled(false);
  ASSERT_EQ(recorder.boxes.size(), 2U);
  EXPECT_EQ(recorder.boxes[0].text, QStringLiteral("Range check error."));
}

}  // namespace
}  // namespace miravel::ui
