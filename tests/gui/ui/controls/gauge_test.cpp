// SPDX-License-Identifier: GPL-3.0-or-later
// The time gauge: the countdown's range rule, the shown percentage and the
// bar's end, and what it paints: frame, bar, the percentage in inverse
// colours, at the screen's own resolution.
#include "ui/controls/gauge.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <algorithm>
#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/fonts.h"

namespace miravel::ui {
namespace {

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kWhite = 0xFFFFFF;

QRgb Px(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// The main window's gauge: 449 x 17 in the window font.
class GaugeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    container_.resize(500, 40);
    gauge_ = new Gauge(&container_);
    gauge_->setFont(WindowFont());
    gauge_->setGeometry(10, 10, 449, 17);
    container_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&container_));
  }

  void SetState(int min, int max, int value) {
    gauge_->setRange(min, max);
    gauge_->setValue(value);
  }

  // The gauge painted at `ratio` device pixels to the pixel.
  QImage Render(qreal ratio = 1) const {
    QImage image(gauge_->size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::green);
    gauge_->render(&image);
    return image;
  }

  QWidget container_;
  Gauge* gauge_ = nullptr;
};

// --- The countdown's range and the shown percentage -----------------------------

TEST_F(GaugeTest, StartsEmptyAtZeroOfAHundredAndTakesNoFocus) {
  const Gauge fresh;
  EXPECT_EQ(fresh.minimum(), 0);
  EXPECT_EQ(fresh.maximum(), 100);
  EXPECT_EQ(fresh.value(), 0);
  EXPECT_TRUE(fresh.isTextVisible());
  EXPECT_EQ(fresh.focusPolicy(), Qt::NoFocus);
}

TEST_F(GaugeTest, PercentTruncatesAndSurvivesExtremeRanges) {
  struct Case {
    int min, max, value, want;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, 0},  // empty range: a test time of 0
      {5, 5, 5, 0},  // empty range elsewhere
      {0, 3, 2, 66},  // truncated, not rounded
      {0, 100, 29, 29},  // 29 / 100 * 100 is 28.999... in doubles
      {0, 600, 599, 99},  // first tick of a 10-minute test
      {-100, 100, 0, 50},  // range across zero
      {INT_MIN, INT_MAX, 0, 50},  // differences beyond 32 bits
      {INT_MIN, INT_MAX, -1, 49},
      {INT_MIN, INT_MAX, INT_MAX, 100},
      {INT_MIN, INT_MAX, INT_MIN, 0},
      {INT_MAX - 1, INT_MAX, INT_MAX, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " at " << c.value);
    SetState(c.min, c.max, c.value);
    EXPECT_EQ(gauge_->percent(), c.want);
  }
  gauge_->setRange(0, 300);
  gauge_->reset();  // no value: below the minimum
  EXPECT_EQ(gauge_->percent(), 0);
}

TEST(GaugeBarEnd, IsTheExactIntegerPartForTheMainWindowBar) {
  for (int p = 0; p <= 100; ++p) EXPECT_EQ(Gauge::barEnd(448, p), 448 * p / 100) << p << "%";
  EXPECT_EQ(Gauge::barEnd(10, 150), 10);  // never past the bar area
}

// --- The painted gauge ------------------------------------------------------------

// The box the percentage text is written in: left (W - text width) div 2,
// top (H - text height) div 2, for the bar area W x H.
QRect TextBox(const Gauge& gauge, int area_width, int area_height) {
  const QFontMetrics metrics(gauge.font());
  const QString text = QString::number(gauge.percent()) + QLatin1Char('%');
  const int w = metrics.horizontalAdvance(text);
  const int h = metrics.height();
  return QRect((area_width - w) / 2, (area_height - h) / 2, w, h);
}

// Checks every pixel of `image` inside `inner`: the bar colour left of
// `bar_end`, white from it on, and inside `text_box` either that colour or
// its exact inverse. Returns the inverted pixels.
std::vector<QPoint> CheckInner(const QImage& image, const QRect& inner, int bar_end, const QRect& text_box) {
  std::vector<QPoint> inverted;
  for (int y = inner.top(); y <= inner.bottom(); ++y) {
    for (int x = inner.left(); x <= inner.right(); ++x) {
      const QRgb base = x < bar_end ? kBlack : kWhite;
      const QRgb got = Px(image, x, y);
      if (got == base) continue;
      if (text_box.contains(x, y) && got == (base ^ 0xFFFFFF)) {
        inverted.emplace_back(x, y);
      } else {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << got << " not " << base;
        return inverted;
      }
    }
  }
  return inverted;
}

void CheckFrame(const QImage& image) {
  for (int x = 0; x < image.width(); ++x) {
    ASSERT_EQ(Px(image, x, 0), kBlack) << x;
    ASSERT_EQ(Px(image, x, image.height() - 1), kBlack) << x;
  }
  for (int y = 0; y < image.height(); ++y) {
    ASSERT_EQ(Px(image, 0, y), kBlack) << y;
    ASSERT_EQ(Px(image, image.width() - 1, y), kBlack) << y;
  }
}

TEST_F(GaugeTest, PaintsFrameBarAndInverseText) {
  struct Case {
    int percent;
    int bar_end;  // the first unfilled column
  };
  // 1%: columns 1 to 3; 50%: 1 to 223; 99%: 1 to 442; 100%: all 447.
  for (const Case& c : {Case{0, 0}, Case{1, 4}, Case{50, 224}, Case{99, 443}, Case{100, 448}}) {
    SCOPED_TRACE(testing::Message() << c.percent << "%");
    SetState(0, 100, c.percent);
    const QImage image = Render();
    ASSERT_EQ(image.size(), QSize(449, 17));
    CheckFrame(image);
    // Row 15 lies below the text (rows 1 to 13).
    if (c.bar_end >= 2) {
      EXPECT_EQ(Px(image, c.bar_end - 1, 15), kBlack);
    }
    if (c.bar_end <= 447) {
      EXPECT_EQ(Px(image, std::max(c.bar_end, 1), 15), kWhite);
    }

    const QRect box = TextBox(*gauge_, 448, 16);
    EXPECT_EQ(box.top(), 1);
    const std::vector<QPoint> inverted = CheckInner(image, QRect(1, 1, 447, 15), c.bar_end, box);
    ASSERT_FALSE(inverted.empty());
    // The glyphs are white over the bar and black over the unfilled part, and
    // stand on the baseline of a line whose top is the box's top.
    bool white = false;
    bool black = false;
    int lowest = 0;
    for (const QPoint& p : inverted) {
      (p.x() < c.bar_end ? white : black) = true;
      lowest = std::max(lowest, p.y());
    }
    const int baseline = box.top() + QFontMetrics(gauge_->font()).ascent();
    EXPECT_LT(lowest, baseline);
    EXPECT_GE(lowest, baseline - 2);
    EXPECT_EQ(white, c.bar_end > box.left());
    EXPECT_EQ(black, c.bar_end <= box.right());
  }
  EXPECT_EQ(gauge_->grab().toImage().convertToFormat(QImage::Format_RGB32), Render()) << "on screen as rendered";
}

TEST_F(GaugeTest, WithoutItsTextOnlyTheBarAndAnEmptyRangeShowsZero) {
  SetState(0, 100, 31);
  gauge_->setTextVisible(false);
  QImage image = Render();
  CheckFrame(image);
  EXPECT_TRUE(CheckInner(image, QRect(1, 1, 447, 15), 138, QRect()).empty());
  gauge_->setTextVisible(true);
  SetState(0, 0, 0);
  image = Render();
  CheckFrame(image);
  EXPECT_FALSE(CheckInner(image, QRect(1, 1, 447, 15), 0, TextBox(*gauge_, 448, 16)).empty());
  EXPECT_EQ(Px(image, 1, 15), kWhite);
}

// A gauge lower than its text: the writing is clipped to the frame's
// inside, so the frame stays black.
TEST_F(GaugeTest, TextIsClippedToTheFramesInside) {
  gauge_->resize(449, 9);
  for (int percent : {0, 100}) {
    SCOPED_TRACE(percent);
    SetState(0, 100, percent);
    const QImage image = Render();
    CheckFrame(image);
    EXPECT_FALSE(CheckInner(image, QRect(1, 1, 447, 7), percent ? 448 : 0, TextBox(*gauge_, 448, 8)).empty());
  }
}

// At twice the pixels the percentage is written at that resolution, not
// blown up: its glyphs' edges do not all fall on 2 x 2 blocks.
TEST_F(GaugeTest, IsSharpAtTwiceThePixels) {
  SetState(0, 100, 50);
  const QImage image = Render(2);
  ASSERT_EQ(image.size(), QSize(898, 34));
  const QRect box = TextBox(*gauge_, 448, 16);
  int inverted = 0;
  int mixed_blocks = 0;  // aligned 2 x 2 blocks with ink and no ink
  for (int y = 2 * box.top(); y < 2 * (box.bottom() + 1); y += 2) {
    for (int x = 2 * box.left(); x < 2 * (box.right() + 1); x += 2) {
      int ink = 0;
      for (const QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
        const QPoint p(x + d.x(), y + d.y());
        const QRgb base = p.x() < 2 * 224 ? kBlack : kWhite;
        ink += Px(image, p.x(), p.y()) == (base ^ 0xFFFFFF) ? 1 : 0;
      }
      inverted += ink;
      mixed_blocks += ink != 0 && ink != 4 ? 1 : 0;
    }
  }
  EXPECT_GT(inverted, 40);
  EXPECT_GT(mixed_blocks, 10);
  CheckFrame(image.copy(0, 0, 898, 34).scaled(449, 17));
  EXPECT_EQ(Px(image, 2 * 224 - 1, 30), kBlack) << "the bar ends at its own column";
  EXPECT_EQ(Px(image, 2 * 224, 30), kWhite);
}

// A 10-minute test: the percentage goes down by one every 6 ticks, the first
// at the first tick.
TEST_F(GaugeTest, TenMinuteCountdown) {
  gauge_->setMaximum(600);
  gauge_->setValue(600);
  EXPECT_EQ(gauge_->percent(), 100);
  EXPECT_EQ(Px(Render(), 447, 15), kBlack);
  std::vector<int> changed_at;
  int shown = gauge_->percent();
  for (int tick = 1; tick <= 600; ++tick) {
    gauge_->setValue(gauge_->value() - 1);
    if (gauge_->percent() != shown) changed_at.push_back(tick);
    shown = gauge_->percent();
    if (tick == 1) {
      const QImage image = Render();
      EXPECT_EQ(Px(image, 442, 15), kBlack);  // the first unfilled column is 443
      EXPECT_EQ(Px(image, 443, 15), kWhite);
    }
  }
  ASSERT_EQ(changed_at.size(), 100U);
  for (std::size_t i = 0; i < changed_at.size(); ++i) EXPECT_EQ(changed_at[i], 6 * static_cast<int>(i) + 1);
  EXPECT_EQ(gauge_->value(), 0);
  EXPECT_EQ(Px(Render(), 1, 15), kWhite);
}

}  // namespace
}  // namespace miravel::ui
