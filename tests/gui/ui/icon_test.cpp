// SPDX-License-Identifier: GPL-3.0-or-later
// The program icon: its size, its transparent ground, the grey wheel with its
// rings and hole, and the 16-colour limit.
#include "ui/icon.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QSet>
#include <cmath>
#include <numbers>

namespace miravel::ui {
namespace {

class IconTest : public ::testing::Test {
 protected:
  IconTest() : image_(AppIconPixmap().toImage().convertToFormat(QImage::Format_ARGB32)) {}

  // The pixel at `radius` pixels from the middle of the icon in the direction
  // `degrees` (0 to the right, counted clockwise on screen).
  QColor At(double radius, double degrees) const {
    const double a = degrees * std::numbers::pi / 180.0;
    const int x = static_cast<int>(std::floor(16.0 + radius * std::cos(a)));
    const int y = static_cast<int>(std::floor(16.0 + radius * std::sin(a)));
    return image_.pixelColor(x, y);
  }

  static bool IsOpaqueGrey(const QColor& c) {
    return c.alpha() == 255 && c.red() == c.green() && c.green() == c.blue();
  }

  QImage image_;
};

TEST_F(IconTest, IsThirtyTwoPixelsSquareInBothForms) {
  EXPECT_EQ(image_.size(), QSize(32, 32));
  const QIcon icon = AppIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
  EXPECT_EQ(icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32), image_);
}

TEST_F(IconTest, GroundIsTransparent) {
  for (const QPoint p : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)}) {
    EXPECT_EQ(image_.pixelColor(p).alpha(), 0) << p.x() << "," << p.y();
  }
  // The gaps between the teeth, halfway between two of the eight teeth.
  for (int tooth = 0; tooth < 8; ++tooth) {
    EXPECT_EQ(At(14.0, 22.5 + 45.0 * tooth).alpha(), 0) << "gap " << tooth;
  }
}

TEST_F(IconTest, WheelIsLightGreyWithTeethDarkerRingsAndAHole) {
  // The hole through the middle.
  EXPECT_EQ(image_.pixelColor(16, 16).alpha(), 0);
  EXPECT_EQ(image_.pixelColor(15, 15).alpha(), 0);
  for (int step = 0; step < 8; ++step) {
    const double degrees = 45.0 * step;
    // A tooth in each of the eight directions: light grey metal.
    const QColor tooth = At(13.5, degrees);
    EXPECT_TRUE(IsOpaqueGrey(tooth)) << "tooth " << step;
    EXPECT_GE(tooth.lightness(), 160) << "tooth " << step;
    // The outer ring and the ring round the hub: opaque, and darker than the
    // metal of the wheel between them.
    const QColor outer = At(9.0, degrees);
    const QColor inner = At(5.6, degrees);
    const QColor between = At(7.3, degrees);
    EXPECT_TRUE(IsOpaqueGrey(outer)) << "outer ring " << step;
    EXPECT_TRUE(IsOpaqueGrey(inner)) << "inner ring " << step;
    EXPECT_TRUE(IsOpaqueGrey(between)) << "between the rings " << step;
    EXPECT_LT(outer.lightness(), between.lightness()) << "outer ring " << step;
    EXPECT_LT(inner.lightness(), between.lightness()) << "inner ring " << step;
  }
}

TEST_F(IconTest, HasAtMostSixteenColours) {
  QSet<QRgb> colours;
  for (int y = 0; y < image_.height(); ++y) {
    for (int x = 0; x < image_.width(); ++x) colours.insert(image_.pixel(x, y));
  }
  EXPECT_LE(colours.size(), 16);
  // Transparent ground, an outline and at least two greys of metal.
  EXPECT_GE(colours.size(), 4);
}

}  // namespace
}  // namespace miravel::ui
