// SPDX-License-Identifier: GPL-3.0-or-later
// Where the windows stand on the screen: the main window keeps its designed
// place while the whole window fits the screen's available area and is
// otherwise moved into it as little as needed; the password window is
// centred and inside the area too.
//
// The screen is the offscreen platform's. This program runs once for each
// screen of the table below (tests/gui/ui/CMakeLists.txt gives each run its
// own screen through QT_QPA_PLATFORM); a screen missing from the table fails.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>

#include "ui/main_window.h"
#include "ui/report_password_dialog.h"
#include "ui/window_frame.h"

namespace ui = miravel::ui;

namespace {

// --- the rule on its own ----------------------------------------------------

struct PlaceCase {
  const char* what;
  QRect frame;
  QRect area;
  QPoint corner;
};

TEST(PlaceInside, MovesOnlyAsFarAsNeeded) {
  const QRect area(0, 0, 1024, 768);
  const PlaceCase cases[] = {
      {"inside: stays", {439, 449, 464, 300}, area, {439, 449}},
      {"touching the edges: stays", {560, 342, 464, 426}, area, {560, 342}},
      {"below the bottom: up to it", {439, 449, 464, 426}, area, {439, 342}},
      {"past the right edge: left to it", {700, 10, 464, 426}, area, {560, 10}},
      {"past both: into the corner", {900, 700, 464, 426}, area, {560, 342}},
      {"above and left of the area: down and right to it", {-30, -5, 464, 426}, area, {0, 0}},
      {"area not at the origin", {439, 449, 464, 426}, {1024, 30, 1366, 738}, {1024, 342}},
      {"wider and taller than the area: its top left corner in the area's",
       {100, 100, 464, 426},
       {0, 0, 400, 300},
       {0, 0}},
      {"taller only: keeps its column, top at the area's", {10, 200, 200, 426}, {0, 24, 400, 300}, {10, 24}},
  };
  for (const PlaceCase& c : cases) EXPECT_EQ(ui::PlaceInside(c.frame, c.area), c.corner) << c.what;
}

// --- the windows on this run's screen ----------------------------------------

// Where the window's frame goes along one axis.
enum class Along {
  kDesigned,  // stays at the designed coordinate
  kFarEdge,  // moved back until its right (bottom) edge is the area's
  kNearEdge,  // its left (top) edge is the area's
};

struct Screen {
  QRect geometry;
  Along x;
  Along y;
};

// The screens these tests run on, with where the main window (designed at
// 439, 449; 462 x 424 inside its frame) must go on each.
const Screen kScreens[] = {
    {{0, 0, 1920, 1080}, Along::kDesigned, Along::kDesigned},
    {{0, 0, 1366, 768}, Along::kDesigned, Along::kFarEdge},
    {{0, 0, 1024, 768}, Along::kDesigned, Along::kFarEdge},
    {{0, 0, 800, 800}, Along::kFarEdge, Along::kFarEdge},  // the platform's own screen
    {{0, 0, 400, 300}, Along::kNearEdge, Along::kNearEdge},  // smaller than the window
};

const Screen* ThisScreen() {
  const QRect geometry = QGuiApplication::primaryScreen()->geometry();
  for (const Screen& s : kScreens)
    if (s.geometry == geometry) return &s;
  return nullptr;
}

void ExpectAlong(Along rule, int start, int end, int designed, int area_start, int area_end, const char* axis) {
  switch (rule) {
    case Along::kDesigned: EXPECT_EQ(start, designed) << axis; break;
    case Along::kFarEdge: EXPECT_EQ(end, area_end) << axis; break;
    case Along::kNearEdge: EXPECT_EQ(start, area_start) << axis; break;
  }
}

TEST(OnThisScreen, TheMainWindowKeepsItsPlaceOrMovesInAsLittleAsNeeded) {
  const Screen* screen = ThisScreen();
  ASSERT_NE(screen, nullptr) << "no expectation for a screen of "
                             << QGuiApplication::primaryScreen()->geometry().width() << " x "
                             << QGuiApplication::primaryScreen()->geometry().height();
  ui::MainWindow form;
  ASSERT_EQ(form.pos(), QPoint(439, 449)) << "the designed place";
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QRect area = form.screen()->availableGeometry();
  const QRect frame = form.frameGeometry();
  EXPECT_GT(frame.width(), form.width()) << "the platform knows the frame";
  ExpectAlong(screen->x, frame.left(), frame.right(), 439, area.left(), area.right(), "x");
  ExpectAlong(screen->y, frame.top(), frame.bottom(), 449, area.top(), area.bottom(), "y");
  if (frame.width() <= area.width() && frame.height() <= area.height()) {
    EXPECT_TRUE(area.contains(frame)) << "frame " << frame.x() << "," << frame.y();
  } else {
    EXPECT_EQ(frame.topLeft(), area.topLeft()) << "the caption bar stays on the screen";
  }
  EXPECT_EQ(form.size(), QSize(462, 424)) << "moved, never resized";
}

TEST(OnThisScreen, ThePasswordWindowIsCentredAndInside) {
  ASSERT_NE(ThisScreen(), nullptr);
  ui::ReportPasswordDialog dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  const QRect screen = dialog.screen()->geometry();
  const QRect frame = dialog.frameGeometry();
  EXPECT_TRUE(dialog.screen()->availableGeometry().contains(frame));
  EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
}

}  // namespace
