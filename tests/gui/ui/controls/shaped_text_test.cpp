// SPDX-License-Identifier: GPL-3.0-or-later
// A line shaped once and drawn again: the same pixels as the style's own
// drawItemText, the width QFontMetrics gives, and the style's way for what
// it cannot draw so.
#include "ui/controls/shaped_text.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <memory>
#include <string>

#include "ui/fonts.h"

namespace miravel::ui {
namespace {

std::unique_ptr<QStyle> Fusion() { return std::unique_ptr<QStyle>(QStyleFactory::create(QStringLiteral("Fusion"))); }

QFont Bold(QFont font) {
  font.setBold(true);
  return font;
}

// What `paint` draws on a light 160 x 60 picture in `font`.
template <typename Paint>
QImage Picture(const QFont& font, Paint paint) {
  QImage image(160, 60, QImage::Format_ARGB32_Premultiplied);
  image.fill(QColor(0xF0, 0xF0, 0xF0));
  QPainter painter(&image);
  painter.setFont(font);
  paint(painter);
  return image;
}

struct DrawCase {
  const char* what;
  const char* text;  // UTF-8
  QFont font;
  int flags;
  QRect rect;
  bool shaped;  // drawn from the kept line, not by the style
};

// Each case is drawn three times by one ShapedText (the text shaped at the
// first, kept for the others), and each picture must be the style's own.
TEST(ShapedText, DrawsTheStylesPixels) {
  const auto style = Fusion();
  QPalette palette;
  palette.setColor(QPalette::WindowText, QColor(0x20, 0x30, 0xA0));
  const int left_top = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextExpandTabs;
  // As the style places a radio button's label: visual alignment, left
  // also in absolute terms.
  const int radio = Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter | Qt::TextShowMnemonic;
  const DrawCase cases[] = {
      {"a caption", "Вопрос №", LargerFont(), left_top | Qt::TextDontClip, {3, 2, 150, 16}, true},
      {"a heading in bold", "Название теста", Bold(LargerFont()), left_top, {0, 0, 150, 16}, true},
      {"the last glyph's overhang", "Нил?", WindowFont(), left_top, {5, 5, 60, 13}, true},
      {"centred in a tall rectangle", "В Красное", LargerFont(), radio, {20, 3, 130, 46}, true},
      {"centred, an odd height", "Чёрное море", WindowFont(), radio, {20, 3, 130, 45}, true},
      {"at the bottom", "Итого:", LargerFont(), Qt::AlignLeft | Qt::AlignBottom, {0, 0, 100, 50}, true},
      {"clipped by a narrow rectangle", "Неправильных ответов", LargerFont(), radio, {10, 10, 40, 20}, true},
      {"overflowing, not clipped",
       "Неправильных ответов",
       LargerFont(),
       radio | Qt::TextDontClip,
       {10, 10, 40, 20},
       true},
      {"Latin and digits", "OK 15 (100%)", WindowFont(), left_top, {1, 1, 150, 13}, true},
      {"a mnemonic: the style's way", "&Открыть", WindowFont(), radio, {0, 0, 150, 40}, false},
      {"a tab: the style's way", "a\tb", WindowFont(), left_top, {0, 0, 150, 40}, false},
      {"a blank at the end: the style's way", "Описание ", WindowFont(), left_top, {0, 0, 150, 40}, false},
      {"centred across: the style's way", "Описание", WindowFont(), Qt::AlignCenter, {0, 0, 150, 40}, false},
      {"word wrap: the style's way",
       "Описание теста",
       WindowFont(),
       left_top | Qt::TextWordWrap,
       {0, 0, 40, 40},
       false},
  };
  for (const DrawCase& c : cases) {
    const QString text = QString::fromUtf8(c.text);
    EXPECT_EQ(ShapedText::CanDraw(*style, c.flags, text, c.font, Qt::LeftToRight), c.shaped) << c.what;
    const QImage expected = Picture(c.font, [&](QPainter& p) {
      style->drawItemText(&p, c.rect, c.flags, palette, true, text, QPalette::WindowText);
    });
    ShapedText shaped;
    for (int round = 0; round < 3; ++round) {
      const QImage drawn = Picture(c.font, [&](QPainter& p) {
        shaped.draw(p, *style, c.rect, c.flags, palette, true, text, QPalette::WindowText);
      });
      EXPECT_EQ(drawn, expected) << c.what << ", drawing " << round + 1;
    }
  }
}

// A new text or font is shaped again, not drawn from the old line.
TEST(ShapedText, ShapesAgainForAnotherTextOrFont) {
  const auto style = Fusion();
  const QPalette palette;
  const int flags = Qt::AlignLeft | Qt::AlignTop;
  const QRect rect(0, 0, 160, 20);
  ShapedText shaped;
  for (const auto& [text, font] :
       {std::pair{QStringLiteral("Описание"), LargerFont()}, std::pair{QStringLiteral("Коментарии"), LargerFont()},
        std::pair{QStringLiteral("Коментарии"), Bold(LargerFont())}}) {
    const QImage expected = Picture(
        font, [&](QPainter& p) { style->drawItemText(&p, rect, flags, palette, true, text, QPalette::NoRole); });
    const QImage drawn =
        Picture(font, [&](QPainter& p) { shaped.draw(p, *style, rect, flags, palette, true, text, QPalette::NoRole); });
    EXPECT_EQ(drawn, expected) << text.toStdString();
  }
}

// A font given in points takes another size at another resolution: the line
// is shaped again for a picture of twice the dots per inch.
TEST(ShapedText, ShapesAgainForAnotherResolution) {
  const auto style = Fusion();
  const QPalette palette;
  const int flags = Qt::AlignLeft | Qt::AlignTop;
  const QString text = QStringLiteral("Описание");
  QFont points = WindowFont();
  points.setPointSize(9);
  ShapedText shaped;
  for (const int dots_per_meter : {3780, 7560}) {  // 96 and 192 dots per inch
    const auto picture = [&](const auto& paint) {
      QImage image(160, 60, QImage::Format_ARGB32_Premultiplied);
      image.setDotsPerMeterX(dots_per_meter);
      image.setDotsPerMeterY(dots_per_meter);
      image.fill(Qt::white);
      QPainter painter(&image);
      painter.setFont(points);
      paint(painter);
      return image;
    };
    const QImage expected = picture([&](QPainter& p) {
      style->drawItemText(&p, QRect(0, 0, 160, 60), flags, palette, true, text, QPalette::NoRole);
    });
    const QImage drawn = picture([&](QPainter& p) {
      shaped.draw(p, *style, QRect(0, 0, 160, 60), flags, palette, true, text, QPalette::NoRole);
    });
    EXPECT_EQ(drawn, expected) << dots_per_meter;
  }
}

// The width of a shaped line is QFontMetrics' advance, also where the last
// glyph reaches past it.
TEST(ShapedText, WidthIsTheAdvanceQFontMetricsGives) {
  for (const char* text : {"Ф.И.О. ...........................", "В каком море впадает Нил?", "f", "T?", "00"}) {
    for (const QFont& font : {WindowFont(), LargerFont(), Bold(LargerFont())}) {
      const QString line = QString::fromUtf8(text);
      ShapedText shaped;
      const QImage device(10, 10, QImage::Format_ARGB32_Premultiplied);
      shaped.shape(line, font, Qt::LeftToRight, device);
      EXPECT_EQ(shaped.width(), QFontMetrics(font).horizontalAdvance(line)) << text;
    }
  }
}

// Only Fusion, which draws an item's text with drawText alone, and only a
// left-to-right line in a plain font take the shaped way.
TEST(ShapedText, OtherStylesDirectionsAndFontDecorationsTakeTheStylesWay) {
  const QString text = QStringLiteral("Вопрос");
  const int flags = Qt::AlignLeft | Qt::AlignTop;
  const auto fusion = Fusion();
  EXPECT_TRUE(ShapedText::CanDraw(*fusion, flags, text, WindowFont(), Qt::LeftToRight));
  EXPECT_FALSE(ShapedText::CanDraw(*fusion, flags, text, WindowFont(), Qt::RightToLeft));
  EXPECT_FALSE(ShapedText::CanDraw(*fusion, flags, QString(), WindowFont(), Qt::LeftToRight));
  EXPECT_FALSE(ShapedText::CanDraw(*fusion, flags | Qt::AlignRight, text, WindowFont(), Qt::LeftToRight));
  for (const auto decorate : {&QFont::setUnderline, &QFont::setOverline, &QFont::setStrikeOut}) {
    QFont font = WindowFont();
    (font.*decorate)(true);
    EXPECT_FALSE(ShapedText::CanDraw(*fusion, flags, text, font, Qt::LeftToRight));
  }
  if (const std::unique_ptr<QStyle> windows(QStyleFactory::create(QStringLiteral("Windows"))); windows) {
    EXPECT_FALSE(ShapedText::CanDraw(*windows, flags, text, WindowFont(), Qt::LeftToRight));
  }
}

}  // namespace
}  // namespace miravel::ui
