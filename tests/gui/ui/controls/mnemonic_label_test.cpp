// SPDX-License-Identifier: GPL-3.0-or-later
// The label: how its caption is split and wrapped into the lines it shows,
// its measured size, and what it paints.
#include "ui/controls/mnemonic_label.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "ui/fonts.h"

namespace miravel::ui {
namespace {

int Advance(const QString& text) { return QFontMetrics(LargerFont()).horizontalAdvance(text); }

QStringList Utf8List(const std::vector<const char*>& texts) {
  QStringList list;
  for (const char* t : texts) list << QString::fromUtf8(t);
  return list;
}

// ---------------------------------------------------------------------------
// The measured lines are kept, and measured again after every change that
// moves them: text, font, word wrap, and the width when the label wraps.

TEST(MnemonicLabelKeptLines, FollowEveryChangeThatMovesThem) {
  MnemonicLabel label;
  label.setFont(LargerFont());
  label.setText(QStringLiteral("aaa bbb"));
  EXPECT_EQ(label.sizeHint(), QSize(Advance(QStringLiteral("aaa bbb")), LineHeight(LargerFont())));

  label.setText(QStringLiteral("aaa bbb ccc"));
  EXPECT_EQ(label.sizeHint().width(), Advance(QStringLiteral("aaa bbb ccc")));
  EXPECT_EQ(label.shownLines(), QStringList{QStringLiteral("aaa bbb ccc")});

  QFont bold = LargerFont();
  bold.setBold(true);
  label.setFont(bold);
  EXPECT_EQ(label.sizeHint(),
            QSize(QFontMetrics(bold).horizontalAdvance(QStringLiteral("aaa bbb ccc")), LineHeight(bold)));
  label.setFont(LargerFont());

  // Without word wrap the width changes nothing; with it, each width has its lines.
  label.resize(Advance(QStringLiteral("aaa bbb")), 100);
  EXPECT_EQ(label.shownLines(), QStringList{QStringLiteral("aaa bbb ccc")});
  label.setWordWrap(true);
  EXPECT_EQ(label.shownLines(), (QStringList{QStringLiteral("aaa bbb"), QStringLiteral("ccc")}));
  EXPECT_EQ(label.sizeHint().height(), 2 * LineHeight(LargerFont()));
  EXPECT_EQ(label.heightForWidth(Advance(QStringLiteral("aaa"))), 3 * LineHeight(LargerFont()));
  EXPECT_EQ(label.shownLines(), (QStringList{QStringLiteral("aaa bbb"), QStringLiteral("ccc")}));
  label.resize(Advance(QStringLiteral("aaa")), 100);
  EXPECT_EQ(label.shownLines(), (QStringList{QStringLiteral("aaa"), QStringLiteral("bbb"), QStringLiteral("ccc")}));
  label.setWordWrap(false);
  EXPECT_EQ(label.shownLines(), QStringList{QStringLiteral("aaa bbb ccc")});
}

// ---------------------------------------------------------------------------
// Lines and size

struct LinesCase {
  const char* name;
  const char* caption;  // UTF-8
  bool word_wrap;
  const char* width_of;  // the label is as wide as this text in the larger font
  std::vector<const char*> lines;  // as the label keeps them, with their "&" marks
  std::vector<const char*> shown;  // what each line shows
};

TEST(MnemonicLabelLines, SplitsAndWrapsCaptionsAndMeasuresWhatIsShown) {
  const std::vector<LinesCase> cases = {
      {"plain line", "Вопрос №", false, "", {"Вопрос №"}, {"Вопрос №"}},
      {"CR LF", "Иванов И.И.\r\nИ-11", false, "", {"Иванов И.И.", "И-11"}, {"Иванов И.И.", "И-11"}},
      {"LF", "Иванов\nИ-11", false, "", {"Иванов", "И-11"}, {"Иванов", "И-11"}},
      {"lone CR", "Иванов\rИ-11", false, "", {"Иванов", "И-11"}, {"Иванов", "И-11"}},
      {"two CRs give an empty line", "a\r\rb", false, "", {"a", "", "b"}, {"a", "", "b"}},
      {"final break starts a line", "a\r", false, "", {"a", ""}, {"a", ""}},
      {"LF then CR are two breaks", "a\n\rb", false, "", {"a", "", "b"}, {"a", "", "b"}},
      {"ampersand marks next", "&Да", false, "", {"&Да"}, {"Да"}},
      {"double ampersand", "a&&b", false, "", {"a&&b"}, {"a&b"}},
      {"double then single", "a&&&b", false, "", {"a&&&b"}, {"a&b"}},
      {"trailing ampersand dropped", "ab&", false, "", {"ab&"}, {"ab"}},
      {"ampersand before break", "a&\r\n&b", false, "", {"a&", "&b"}, {"a", "b"}},
      {"lone ampersand", "&", false, "", {"&"}, {""}},
      {"no wrap ignores width", "aaa bbb ccc", false, "aaa", {"aaa bbb ccc"}, {"aaa bbb ccc"}},
      {"wrap at exact fit", "aaa bbb ccc", true, "aaa bbb", {"aaa bbb", "ccc"}, {"aaa bbb", "ccc"}},
      {"wrap one short", "aaa bbb ccc", true, "aaa bb", {"aaa", "bbb", "ccc"}, {"aaa", "bbb", "ccc"}},
      {"spaces at a break vanish", "aaa    bbb", true, "aaa", {"aaa", "bbb"}, {"aaa", "bbb"}},
      {"wrap keeps breaks", "aaa bbb\nccc", true, "aaa bbb ccc", {"aaa bbb", "ccc"}, {"aaa bbb", "ccc"}},
      {"long word own line",
       "a неразрывноедлинноеслово b",
       true,
       "a b",
       {"a", "неразрывноедлинноеслово", "b"},
       {"a", "неразрывноедлинноеслово", "b"}},
      {"long first word", "неразрывное a", true, "a", {"неразрывное", "a"}, {"неразрывное", "a"}},
      {"no break after a hyphen",
       "северо-западный ветер",
       true,
       "северо-запад",
       {"северо-западный", "ветер"},
       {"северо-западный", "ветер"}},
      {"mark follows its wrapped line", "aaa &bbb", true, "aaa", {"aaa", "&bbb"}, {"aaa", "bbb"}},
      {"marks are not measured", "a&aa &bbb", true, "aaa bbb", {"a&aa &bbb"}, {"aaa bbb"}},
      {"empty caption is a space", "", false, "", {" "}, {" "}},
      {"empty caption wrapping", "", true, "", {" "}, {" "}},
  };
  const int line_height = LineHeight(LargerFont());
  ASSERT_EQ(line_height, 16);  // the designed line height of the larger font
  for (const LinesCase& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget parent;
    parent.setFont(LargerFont());
    MnemonicLabel label(QString::fromUtf8(c.caption), &parent);
    label.setWordWrap(c.word_wrap);
    label.resize(Advance(QString::fromUtf8(c.width_of)), 100);
    EXPECT_EQ(label.shownLines(), Utf8List(c.lines));
    int widest = 0;
    for (const char* s : c.shown) widest = std::max(widest, Advance(QString::fromUtf8(s)));
    EXPECT_EQ(label.sizeHint(), QSize(widest, static_cast<int>(c.shown.size()) * line_height));
  }
}

TEST(MnemonicLabelLines, TextIsTheCaptionExactlyAsSet) {
  for (const char* caption : {"История && право", "&Да", "Иванов\rИ-11\r\n", ""}) {
    MnemonicLabel label;
    label.setText(QString::fromUtf8(caption));
    EXPECT_EQ(label.text(), QString::fromUtf8(caption));
    EXPECT_EQ(label.property("text").toString(), QString::fromUtf8(caption));
  }
}

TEST(MnemonicLabelLines, StartsAsAOneLineLeftAlignedLabelWithoutFocus) {
  QWidget parent;
  parent.setFont(LargerFont());
  MnemonicLabel label(&parent);
  EXPECT_EQ(label.focusPolicy(), Qt::NoFocus);
  EXPECT_FALSE(label.autoFillBackground()) << "its container shows through";
  EXPECT_FALSE(label.wordWrap());
  EXPECT_EQ(label.alignment(), Qt::AlignLeft | Qt::AlignTop);
  EXPECT_EQ(label.textFormat(), Qt::PlainText);
  EXPECT_EQ(label.sizeHint(), QSize(Advance(" "), 16));
  EXPECT_EQ(label.minimumSizeHint(), label.sizeHint());
}

TEST(MnemonicLabelLines, TabsGoToTheNextStop) {
  QWidget parent;
  parent.setFont(LargerFont());
  MnemonicLabel label(&parent);
  const auto width_of = [&label](const QString& text) {
    label.setText(text);
    return label.sizeHint().width();
  };
  const int stop = width_of("\tb") - Advance("b");
  ASSERT_GT(stop, Advance("a"));
  // Anything shorter than one stop reaches the same stop; the stops lie on
  // fractions of a pixel, so a width may round either way.
  EXPECT_EQ(width_of("a\tb"), stop + Advance("b"));
  EXPECT_NEAR(width_of("\t\tb"), 2 * stop + Advance("b"), 1);
  EXPECT_EQ(label.shownLines(), QStringList{"\t\tb"});
}

TEST(MnemonicLabelLines, TheWidthOfAWrappingLabelDecidesItsLinesAndTheHeightForAWidth) {
  QWidget parent;
  parent.setFont(LargerFont());
  MnemonicLabel label(QStringLiteral("aaa bbbb"), &parent);
  label.resize(Advance("aaa bbb"), 16);
  EXPECT_EQ(label.sizeHint(), QSize(Advance("aaa bbbb"), 16)) << "no wrap: the width does not count";
  label.setWordWrap(true);
  EXPECT_EQ(label.sizeHint(), QSize(Advance("bbbb"), 32));
  EXPECT_EQ(label.heightForWidth(400), 16);
  EXPECT_EQ(label.heightForWidth(Advance("bbbb")), 32);
  // A label outside a layout keeps the size it is given; adjustSize measures it.
  label.setText(QStringLiteral("aaa bbb ccc"));
  EXPECT_EQ(label.size(), QSize(Advance("aaa bbb"), 16));
  label.adjustSize();
  EXPECT_EQ(label.size(), QSize(Advance("aaa bbb"), 32));
}

// ---------------------------------------------------------------------------
// Painting

bool IsDark(QRgb pixel) { return qGray(pixel) < 128; }

// Whether any pixel of `area` in `image` is dark.
bool AnyDark(const QImage& image, const QRect& area) {
  const QRect clipped = area & image.rect();
  for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
    for (int x = clipped.left(); x <= clipped.right(); ++x) {
      if (IsDark(image.pixel(x, y))) return true;
    }
  }
  return false;
}

QImage Grab(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A label of fixed size in a light container of the larger font.
class LabelPaintTest : public ::testing::Test {
 protected:
  LabelPaintTest() : label_(new MnemonicLabel(&parent_)) {
    parent_.setFont(LargerFont());
    QPalette palette = parent_.palette();
    palette.setColor(QPalette::Window, kBackground);
    palette.setColor(QPalette::WindowText, Qt::black);
    parent_.setPalette(palette);
    parent_.resize(320, 120);
    label_->setGeometry(0, 0, 300, 40);
  }

  static constexpr QRgb kBackground = 0xFFD4D0C8;  // a button-face grey
  QWidget parent_;
  MnemonicLabel* label_;
};

TEST_F(LabelPaintTest, PaintsItsTextOnItsContainersBackground) {
  label_->setText(" ");
  QImage image = Grab(parent_);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 300; ++x) ASSERT_EQ(image.pixel(x, y), kBackground) << x << "," << y;
  }
  // Text: dark ink, and between the glyphs the container's colour.
  label_->setText("Ш Ш");
  image = Grab(parent_);
  const int glyph = Advance("Ш");
  EXPECT_TRUE(AnyDark(image, QRect(0, 0, glyph, 16)));
  for (int y = 0; y < 16; ++y) {
    for (int x = glyph + 1; x < Advance("Ш ") - 1; ++x) ASSERT_EQ(image.pixel(x, y), kBackground) << x;
  }
}

TEST_F(LabelPaintTest, PlacesEachLineByItsAlignmentFromTheTop) {
  // The short first line must be placed on its own, not as part of a block
  // as wide as the long second line.
  label_->setText("ab\r\nШШШШШШШШШШШШШШШШ");
  const int wide = Advance("ШШШШШШШШШШШШШШШШ");
  ASSERT_LT(wide, 260);
  const int narrow = Advance("ab");
  struct Case {
    Qt::Alignment alignment;
    QRect first_line;  // where the first line's ink must lie
  };
  for (const Case& c : {Case{Qt::AlignLeft, QRect(0, 0, narrow + 1, 16)},
                        Case{Qt::AlignHCenter, QRect((300 - narrow) / 2 - 1, 0, narrow + 3, 16)},
                        Case{Qt::AlignRight, QRect(300 - narrow - 1, 0, narrow + 1, 16)}}) {
    SCOPED_TRACE(static_cast<int>(c.alignment));
    // Only the horizontal part counts: the lines always start at the top.
    label_->setAlignment(c.alignment | Qt::AlignVCenter);
    const QImage image = Grab(*label_);
    EXPECT_TRUE(AnyDark(image, c.first_line));
    EXPECT_FALSE(AnyDark(image, QRect(0, 0, c.first_line.left(), 16)));
    EXPECT_FALSE(AnyDark(image, QRect(c.first_line.right() + 1, 0, 300, 16)));
    // The second line starts 16 rows down.
    const int second_left = c.alignment == Qt::AlignLeft      ? 0
                            : c.alignment == Qt::AlignHCenter ? (300 - wide) / 2
                                                              : 300 - wide;
    EXPECT_TRUE(AnyDark(image, QRect(second_left, 16, 10, 16)));
    EXPECT_FALSE(AnyDark(image, QRect(0, 16, second_left - 1, 16)));
    EXPECT_FALSE(AnyDark(image, QRect(0, 32, 300, 8)));
  }
}

TEST_F(LabelPaintTest, PaintsInThePalettesTextColour) {
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
  label_->setPalette(palette);
  label_->setText("Правильных ответов: 7");
  const QImage image = Grab(*label_);
  int blue = 0;
  int other_ink = 0;  // dark pixels that are not blue: black text, say
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = QColor::fromRgb(image.pixel(x, y));
      if (c.blue() > 200 && c.red() < 80 && c.green() < 80) ++blue;
      if (c.blue() < 128 && IsDark(image.pixel(x, y))) ++other_ink;
    }
  }
  EXPECT_GT(blue, 20);
  EXPECT_EQ(other_ink, 0);
}

TEST_F(LabelPaintTest, UnderlinesTheMarkedCharacterOnlyAndShowsADoubleAmpersandOnce) {
  const QFontMetrics metrics(LargerFont());
  const int a = Advance("a");
  // The rows below the baseline: "ab" has no descenders there.
  const QRect below_a(0, metrics.ascent(), a, 16 - metrics.ascent());
  const QRect below_b(a + 1, metrics.ascent(), Advance("b") - 1, 16 - metrics.ascent());
  label_->setText("ab");
  QImage image = Grab(*label_);
  ASSERT_TRUE(AnyDark(image, QRect(0, 0, 30, metrics.ascent())));
  EXPECT_FALSE(AnyDark(image, below_a));
  const QImage glyphs = image.copy(0, 0, 300, metrics.ascent());
  label_->setText("&ab");
  image = Grab(*label_);
  EXPECT_TRUE(AnyDark(image, below_a));
  EXPECT_FALSE(AnyDark(image, below_b));
  EXPECT_EQ(image.copy(0, 0, 300, metrics.ascent()), glyphs);  // the "&" itself is not drawn
  // "a&&b" paints what "a&b" paints in a label that shows its text as typed.
  label_->setText("a&&b");
  image = Grab(*label_);
  QLabel plain(QStringLiteral("a&b"), &parent_);
  plain.setGeometry(label_->geometry());
  plain.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  plain.setAutoFillBackground(true);
  EXPECT_EQ(image.copy(0, 0, 300, 16), Grab(plain).copy(0, 0, 300, 16));
}

TEST_F(LabelPaintTest, PaintsExpandedTabs) {
  label_->setText("Ш");
  const int glyph = label_->sizeHint().width();
  label_->setText("\tШ");
  const int stop = label_->sizeHint().width() - glyph;
  const QImage image = Grab(*label_);
  EXPECT_FALSE(AnyDark(image, QRect(0, 0, stop - 1, 40)));
  EXPECT_TRUE(AnyDark(image, QRect(stop, 0, glyph, 16)));
}

// Each line is painted as the style's own drawItemText paints it at the
// line's place: one line height of the font below the one before, placed by
// the label's horizontal alignment, "&" marks and tabs as the style shows
// them.
TEST_F(LabelPaintTest, PaintsEachLineAsTheStylesDrawItemText) {
  QFont bold = LargerFont();
  bold.setBold(true);
  struct Case {
    const char* what;
    const char* text;  // UTF-8
    QFont font;
    Qt::Alignment alignment;
    bool word_wrap;
  };
  const Case cases[] = {
      {"a caption", "Вопрос №", LargerFont(), Qt::AlignLeft, false},
      {"a heading in bold", "Название теста", bold, Qt::AlignLeft, false},
      {"the window font", "Ф.И.О. ...........................", WindowFont(), Qt::AlignLeft, false},
      {"an & mark and a double one", "&Открыть && закрыть", LargerFont(), Qt::AlignLeft, false},
      {"a tab", "Итого:\t7", LargerFont(), Qt::AlignLeft, false},
      {"two lines, centred", "Какое море\r\nомывает Египет с севера?", LargerFont(), Qt::AlignHCenter, false},
      {"wrapped, centred", "В какое море впадает Нил, самая длинная река Африки?", LargerFont(), Qt::AlignHCenter,
       true},
      {"cut at the right edge", "Неправильных ответов: 12 из 15, правильных: 3", LargerFont(), Qt::AlignLeft, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    label_->setFont(c.font);
    label_->setWordWrap(c.word_wrap);
    label_->setAlignment(c.alignment);
    label_->setText(QString::fromUtf8(c.text));
    const QImage painted = Grab(parent_).copy(label_->geometry());

    QImage expected(label_->size(), QImage::Format_RGB32);
    expected.fill(kBackground);
    {
      QPainter painter(&expected);
      painter.setFont(c.font);
      const QFontMetrics metrics(c.font);
      int top = 0;
      for (const QString& line : label_->shownLines()) {
        // The centred cases have neither "&" marks nor tabs.
        const int width = metrics.horizontalAdvance(line);
        const int left = c.alignment == Qt::AlignHCenter ? (label_->width() - width) / 2 : 0;
        label_->style()->drawItemText(
            &painter, QRect(left, top, std::max(width, label_->width() - left), 16),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextExpandTabs | Qt::TextDontClip,
            label_->palette(), true, line, QPalette::WindowText);
        top += LineHeight(c.font);
      }
    }
    EXPECT_GE(label_->shownLines().size(), c.word_wrap ? 2 : 1);
    EXPECT_EQ(painted, expected);
  }
}

TEST_F(LabelPaintTest, CutsOffWhatDoesNotFit) {
  // Like a two-line description in a frame of one and a half lines.
  label_->setWordWrap(true);
  label_->setGeometry(0, 0, Advance("ШШШ"), 24);
  label_->setText("ШШШ ШШШ ШШШ ШШШ");
  EXPECT_EQ(label_->size(), QSize(Advance("ШШШ"), 24));
  const QImage own = Grab(*label_);
  EXPECT_TRUE(AnyDark(own, QRect(0, 0, own.width(), 16)));
  EXPECT_TRUE(AnyDark(own, QRect(0, 16, own.width(), 8)));  // the top of the second line
  const QImage all = Grab(parent_);
  EXPECT_FALSE(AnyDark(all, QRect(0, 24, 320, 96)));
  EXPECT_FALSE(AnyDark(all, QRect(Advance("ШШШ"), 0, 320, 24)));
}

}  // namespace
}  // namespace miravel::ui
