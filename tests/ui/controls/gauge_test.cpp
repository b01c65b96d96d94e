#include "ui/controls/gauge.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTest>
#include <QVariant>
#include <algorithm>
#include <climits>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/controls/control.h"
#include "ui/fonts.h"

namespace miravel::ui {
namespace {

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kWhite = 0xFFFFFF;

QRgb Px(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// The main window's gauge: 449 x 17 in the window font, on a shown container
// so that the setters paint at once.
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

  // Sets the range and the value whatever they were before.
  void SetState(int min, int max, int progress) {
    gauge_->SetMinValue(INT_MIN);
    gauge_->SetMaxValue(max);
    gauge_->SetMinValue(min);
    gauge_->SetProgress(progress);
  }

  QWidget container_;
  Gauge* gauge_ = nullptr;
};

// --- Range and value rules --------------------------------------------------

struct SetterCase {
  const char* name;
  int min, max, progress;                // the state before
  std::function<void(Gauge&)> set;       // the change
  int want_min, want_max, want_progress;  // the state after
  int want_paints;
  const char* error;  // the message thrown, or nullptr
};

TEST_F(GaugeTest, SettersFollowTheRangeRules) {
  const std::vector<SetterCase> cases = {
      {"max equal", 0, 100, 50, [](Gauge& g) { g.SetMaxValue(100); }, 0, 100, 50, 0, nullptr},
      {"max below min", 0, 100, 50, [](Gauge& g) { g.SetMaxValue(-60); }, 0, 100, 50, 0,
       "Value must be between 1 and 2147483647"},
      {"max below raised min", 10, 100, 50, [](Gauge& g) { g.SetMaxValue(9); }, 10, 100, 50, 0,
       "Value must be between 11 and 2147483647"},
      {"max up", 0, 100, 50, [](Gauge& g) { g.SetMaxValue(200); }, 0, 200, 50, 1, nullptr},
      {"max below progress, same percent", 0, 100, 100, [](Gauge& g) { g.SetMaxValue(90); }, 0,
       90, 90, 1, nullptr},
      {"max onto min", 10, 100, 50, [](Gauge& g) { g.SetMaxValue(10); }, 10, 10, 10, 1, nullptr},
      {"min equal", 0, 100, 50, [](Gauge& g) { g.SetMinValue(0); }, 0, 100, 50, 0, nullptr},
      {"min above max", 0, 100, 50, [](Gauge& g) { g.SetMinValue(101); }, 0, 100, 50, 0,
       "Value must be between -2147483647 and 99"},
      {"min above progress", 0, 100, 10, [](Gauge& g) { g.SetMinValue(20); }, 20, 100, 20, 1,
       nullptr},
      {"min down", 0, 100, 50, [](Gauge& g) { g.SetMinValue(-100); }, -100, 100, 50, 1, nullptr},
      {"progress above max", 0, 100, 50, [](Gauge& g) { g.SetProgress(150); }, 0, 100, 100, 1,
       nullptr},
      {"progress below min", 0, 100, 50, [](Gauge& g) { g.SetProgress(-5); }, 0, 100, 0, 1,
       nullptr},
      {"progress equal", 0, 100, 50, [](Gauge& g) { g.SetProgress(50); }, 0, 100, 50, 0, nullptr},
      {"progress clamped to itself", 0, 100, 100, [](Gauge& g) { g.SetProgress(150); }, 0, 100,
       100, 0, nullptr},
      {"progress, new percent", 0, 100, 50, [](Gauge& g) { g.SetProgress(51); }, 0, 100, 51, 1,
       nullptr},
      {"progress, same percent", 0, 600, 598, [](Gauge& g) { g.SetProgress(597); }, 0, 600, 597,
       0, nullptr},
  };
  for (const SetterCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetState(c.min, c.max, c.progress);
    const int paints = gauge_->PaintCount();
    if (c.error != nullptr) {
      try {
        c.set(*gauge_);
        ADD_FAILURE() << "no error";
      } catch (const std::out_of_range& e) {
        EXPECT_EQ(std::string(e.what()), c.error);
      }
    } else {
      c.set(*gauge_);
    }
    EXPECT_EQ(gauge_->MinValue(), c.want_min);
    EXPECT_EQ(gauge_->MaxValue(), c.want_max);
    EXPECT_EQ(gauge_->Progress(), c.want_progress);
    EXPECT_EQ(gauge_->PaintCount() - paints, c.want_paints);
  }
}

TEST_F(GaugeTest, StartsWithTheDesignedValues) {
  Gauge fresh;
  EXPECT_EQ(fresh.MinValue(), 0);
  EXPECT_EQ(fresh.MaxValue(), 100);
  EXPECT_EQ(fresh.Progress(), 0);
  EXPECT_EQ(fresh.ForeColor(), QColor(Qt::black));
  EXPECT_EQ(fresh.BackColor(), QColor(Qt::white));
  EXPECT_TRUE(fresh.ShowText());
  EXPECT_EQ(fresh.BorderStyle(), Gauge::Border::Single);
  EXPECT_EQ(fresh.Kind(), Gauge::GaugeKind::HorizontalBar);
  EXPECT_TRUE(IsGraphic(&fresh));
  EXPECT_EQ(fresh.focusPolicy(), Qt::NoFocus);
}

// The look properties, set through their Qt property names: a new value is
// stored and painted at once, the same value again costs nothing.
TEST_F(GaugeTest, LookPropertiesRepaintOnlyOnChange) {
  const std::vector<std::pair<const char*, QVariant>> changes = {
      {"ForeColor", QColor(Qt::red)},
      {"BackColor", QColor(Qt::yellow)},
      {"ShowText", false},
      {"BorderStyle", QVariant::fromValue(Gauge::Border::None)},
      {"MaxValue", 300},
      {"Progress", 40},
      {"MinValue", 20},
  };
  for (const auto& [name, value] : changes) {
    SCOPED_TRACE(name);
    const int paints = gauge_->PaintCount();
    ASSERT_TRUE(gauge_->setProperty(name, value));
    EXPECT_EQ(gauge_->property(name), value);
    EXPECT_EQ(gauge_->PaintCount() - paints, 1);
    ASSERT_TRUE(gauge_->setProperty(name, value));
    EXPECT_EQ(gauge_->PaintCount() - paints, 1);
  }
}

TEST_F(GaugeTest, HiddenGaugePaintsNothing) {
  QWidget unshown;
  auto* hidden = new Gauge(&unshown);
  gauge_->hide();
  for (Gauge* g : {hidden, gauge_}) {
    const int paints = g->PaintCount();
    g->SetMaxValue(600);
    g->SetProgress(300);
    g->SetMinValue(-10);
    g->SetShowText(false);
    g->SetForeColor(Qt::blue);
    EXPECT_EQ(g->Progress(), 300);
    EXPECT_EQ(g->PaintCount(), paints);
  }
}

// --- Shown percentage and bar end --------------------------------------------

TEST_F(GaugeTest, PercentTruncatesAndSurvivesExtremeRanges) {
  struct Case {
    int min, max, progress, want;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, 0},                      // empty range: a test time of 0
      {5, 5, 5, 0},                      // empty range elsewhere
      {0, 3, 2, 66},                     // truncated, not rounded
      {0, 100, 29, 29},                  // 29 / 100 * 100 is 28.999... in doubles
      {0, 600, 599, 99},                 // first tick of a 10-minute test
      {-100, 100, 0, 50},                // range across zero
      {INT_MIN, INT_MAX, 0, 50},         // differences beyond 32 bits
      {INT_MIN, INT_MAX, -1, 49},
      {INT_MIN, INT_MAX, INT_MAX, 100},
      {INT_MIN, INT_MAX, INT_MIN, 0},
      {INT_MAX - 1, INT_MAX, INT_MAX, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " at " << c.progress);
    SetState(c.min, c.max, c.progress);
    EXPECT_EQ(gauge_->Percent(), c.want);
  }
}

TEST(GaugeBarEnd, IsTheExactIntegerPartForTheMainWindowBar) {
  for (int p = 0; p <= 100; ++p) EXPECT_EQ(Gauge::BarEnd(448, p), 448 * p / 100) << p << "%";
  EXPECT_EQ(Gauge::BarEnd(10, 150), 10);  // never past the bar area
}

// --- The composed picture ----------------------------------------------------

// The box the percentage text is written in: left (W - text width) div 2,
// top (H - text height) div 2, for the bar area W x H.
QRect TextBox(const Gauge& gauge, int area_width, int area_height) {
  const QFontMetrics metrics(gauge.font());
  const QString text = QString::number(gauge.Percent()) + QLatin1Char('%');
  const int w = metrics.horizontalAdvance(text);
  const int h = metrics.height();
  return QRect((area_width - w) / 2, (area_height - h) / 2, w, h);
}

// Checks every pixel of `image` inside `inner` (the paint rectangle): the bar
// colour left of `bar_end`, the back colour from it on, and inside `text_box`
// either that colour or its exact inverse. Returns the inverted pixels.
std::vector<QPoint> CheckInner(const QImage& image, const QRect& inner, int bar_end, QRgb fore,
                               QRgb back, const QRect& text_box) {
  std::vector<QPoint> inverted;
  for (int y = inner.top(); y <= inner.bottom(); ++y) {
    for (int x = inner.left(); x <= inner.right(); ++x) {
      const QRgb base = x < bar_end ? fore : back;
      const QRgb got = Px(image, x, y);
      if (got == base) continue;
      if (text_box.contains(x, y) && got == (base ^ 0xFFFFFF)) {
        inverted.emplace_back(x, y);
      } else {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << got << " not "
                      << base;
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

TEST_F(GaugeTest, ComposesFrameBarAndInverseText) {
  struct Case {
    int percent;
    int bar_end;  // F: the first unfilled column
  };
  // 1%: columns 1 to 3; 50%: 1 to 223; 99%: 1 to 442; 100%: all 447.
  for (const Case& c : {Case{0, 0}, Case{1, 4}, Case{50, 224}, Case{99, 443}, Case{100, 448}}) {
    SCOPED_TRACE(testing::Message() << c.percent << "%");
    SetState(0, 100, c.percent);
    const QImage image = gauge_->Compose();
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
    const std::vector<QPoint> inverted =
        CheckInner(image, QRect(1, 1, 447, 15), c.bar_end, kBlack, kWhite, box);
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
}

TEST_F(GaugeTest, ComposesTextlessAndBorderlessInOtherColours) {
  SetState(0, 100, 31);
  gauge_->SetShowText(false);
  QImage image = gauge_->Compose();
  CheckFrame(image);
  EXPECT_TRUE(CheckInner(image, QRect(1, 1, 447, 15), 138, kBlack, kWhite, QRect()).empty());

  // Without a frame the bar area is 450 x 18: F = 139, and the bar reaches
  // the gauge's edges.
  gauge_->SetShowText(true);
  gauge_->SetBorderStyle(Gauge::Border::None);
  gauge_->SetForeColor(QColor(0xFF0000));
  gauge_->SetBackColor(QColor(0xFFFF00));
  image = gauge_->Compose();
  const std::vector<QPoint> inverted = CheckInner(image, QRect(0, 0, 449, 17), 139, 0xFF0000,
                                                  0xFFFF00, TextBox(*gauge_, 450, 18));
  EXPECT_FALSE(inverted.empty());
}

TEST_F(GaugeTest, EmptyRangeShowsZeroOverAnEmptyBar) {
  SetState(0, 0, 0);
  const QImage image = gauge_->Compose();
  CheckFrame(image);
  const QRect box = TextBox(*gauge_, 448, 16);
  EXPECT_FALSE(CheckInner(image, QRect(1, 1, 447, 15), 0, kBlack, kWhite, box).empty());
  EXPECT_EQ(Px(image, 1, 15), kWhite);
}

// A gauge lower than its text: the writing is clipped to the paint
// rectangle, so the frame stays black.
TEST_F(GaugeTest, TextIsClippedToThePaintRectangle) {
  gauge_->resize(449, 9);
  for (int percent : {0, 100}) {
    SCOPED_TRACE(percent);
    SetState(0, 100, percent);
    const QImage image = gauge_->Compose();
    CheckFrame(image);
    const std::vector<QPoint> inverted = CheckInner(image, QRect(1, 1, 447, 7), percent ? 448 : 0,
                                                    kBlack, kWhite, TextBox(*gauge_, 448, 8));
    EXPECT_FALSE(inverted.empty());
  }
}

TEST_F(GaugeTest, WidgetShowsTheComposedPicture) {
  SetState(0, 100, 50);
  EXPECT_EQ(gauge_->grab().toImage().convertToFormat(QImage::Format_RGB32), gauge_->Compose());
  gauge_->SetBorderStyle(Gauge::Border::None);
  gauge_->SetBackColor(Qt::green);
  SetState(0, 100, 73);
  EXPECT_EQ(gauge_->grab().toImage().convertToFormat(QImage::Format_RGB32), gauge_->Compose());
}

// --- The countdown -------------------------------------------------------------

// A 10-minute test: one repaint at the first tick, then one every 6 ticks.
TEST_F(GaugeTest, TenMinuteCountdownRepaintsOncePerPercent) {
  gauge_->SetMaxValue(600);
  gauge_->SetProgress(600);
  EXPECT_EQ(gauge_->Percent(), 100);
  EXPECT_EQ(Px(gauge_->Compose(), 447, 15), kBlack);

  std::vector<int> repainted_at;
  std::vector<int> want;
  for (int tick = 1; tick <= 600; ++tick) {
    const int before = gauge_->PaintCount();
    gauge_->SetProgress(gauge_->Progress() - 1);
    const int painted = gauge_->PaintCount() - before;
    ASSERT_LE(painted, 1) << tick;
    if (painted == 1) repainted_at.push_back(tick);
    if (tick % 6 == 1) want.push_back(tick);
    if (tick == 1) {
      EXPECT_EQ(gauge_->Percent(), 99);
      const QImage image = gauge_->Compose();
      EXPECT_EQ(Px(image, 442, 15), kBlack);  // F = 443
      EXPECT_EQ(Px(image, 443, 15), kWhite);
    }
    if (tick == 7) {
      EXPECT_EQ(gauge_->Percent(), 98);
    }
  }
  EXPECT_EQ(repainted_at.size(), 100U);
  EXPECT_EQ(repainted_at, want);
  EXPECT_EQ(gauge_->Progress(), 0);
  EXPECT_EQ(gauge_->Percent(), 0);
  EXPECT_EQ(Px(gauge_->Compose(), 1, 15), kWhite);
}

}  // namespace
}  // namespace miravel::ui
