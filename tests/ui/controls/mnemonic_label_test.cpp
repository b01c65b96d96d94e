// The label: how its caption is laid out into lines, how it sizes itself and
// leaves the final size to an aligning container, and what it paints.
#include "ui/controls/label.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "ui/controls/control.h"
#include "ui/fonts.h"

namespace miravel::ui {
namespace {

int Advance(const QString& text) { return QFontMetrics(LargerFont()).horizontalAdvance(text); }

// ---------------------------------------------------------------------------
// Layout

struct LayoutCase {
  const char* name;
  const char* caption;  // UTF-8
  bool word_wrap;
  const char* width_of;  // the label is as wide as this text in the larger font
  std::vector<const char*> lines;
  std::vector<int> underlines;  // one per line
};

TEST(LabelLayoutTest, SplitsMarksAndWrapsCaptions) {
  const std::vector<LayoutCase> cases = {
      {"plain line", "Вопрос №", false, "", {"Вопрос №"}, {-1}},
      {"CR LF", "Иванов И.И.\r\nИ-11", false, "", {"Иванов И.И.", "И-11"}, {-1, -1}},
      {"LF", "Иванов\nИ-11", false, "", {"Иванов", "И-11"}, {-1, -1}},
      {"lone CR", "Иванов\rИ-11", false, "", {"Иванов", "И-11"}, {-1, -1}},
      {"two CRs give an empty line", "a\r\rb", false, "", {"a", "", "b"}, {-1, -1, -1}},
      {"final break starts a line", "a\r", false, "", {"a", ""}, {-1, -1}},
      {"LF then CR are two breaks", "a\n\rb", false, "", {"a", "", "b"}, {-1, -1, -1}},
      {"ampersand marks next", "&Да", false, "", {"Да"}, {0}},
      {"ampersand inside", "Фа&йл", false, "", {"Файл"}, {2}},
      {"double ampersand", "a&&b", false, "", {"a&b"}, {-1}},
      {"double then single", "a&&&b", false, "", {"a&b"}, {2}},
      {"trailing ampersand dropped", "ab&", false, "", {"ab"}, {-1}},
      {"ampersand before break", "a&\r\n&b", false, "", {"a", "b"}, {-1, 0}},
      {"last mark wins", "&a&b", false, "", {"ab"}, {1}},
      {"lone ampersand", "&", false, "", {""}, {-1}},
      {"no wrap ignores width", "aaa bbb ccc", false, "aaa", {"aaa bbb ccc"}, {-1}},
      {"wrap at exact fit", "aaa bbb ccc", true, "aaa bbb", {"aaa bbb", "ccc"}, {-1, -1}},
      {"wrap one short", "aaa bbb ccc", true, "aaa bb", {"aaa", "bbb", "ccc"}, {-1, -1, -1}},
      {"spaces at a break vanish", "aaa    bbb", true, "aaa", {"aaa", "bbb"}, {-1, -1}},
      {"wrap keeps breaks", "aaa bbb\nccc", true, "aaa bbb ccc", {"aaa bbb", "ccc"}, {-1, -1}},
      {"long word own line", "a неразрывноедлинноеслово b", true, "a b",
       {"a", "неразрывноедлинноеслово", "b"}, {-1, -1, -1}},
      {"long first word", "неразрывное a", true, "a", {"неразрывное", "a"}, {-1, -1}},
      {"mark follows its wrapped line", "aaa &bbb", true, "aaa", {"aaa", "bbb"}, {-1, 0}},
      {"marks are not measured", "a&aa &bbb", true, "aaa bbb", {"aaa bbb"}, {4}},
      {"empty caption is a space", "", false, "", {" "}, {-1}},
      {"empty caption wrapping", "", true, "", {" "}, {-1}},
  };
  const int line_height = LineHeight(LargerFont());
  ASSERT_EQ(line_height, 16);  // the designed line height of the larger font
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString caption = QString::fromUtf8(c.caption);
    const int width = Advance(QString::fromUtf8(c.width_of));
    const LabelLayout layout = LayOutLabelText(caption, LargerFont(), c.word_wrap, width);
    ASSERT_EQ(layout.lines.size(), c.lines.size());
    int widest = 0;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      const QString expected = QString::fromUtf8(c.lines[i]);
      EXPECT_EQ(layout.lines[i].text, expected) << "line " << i;
      EXPECT_EQ(layout.lines[i].underline, c.underlines[i]) << "line " << i;
      EXPECT_EQ(layout.lines[i].width, Advance(expected)) << "line " << i;
      widest = std::max(widest, Advance(expected));
    }
    EXPECT_EQ(layout.size, QSize(widest, static_cast<int>(c.lines.size()) * line_height));
  }
}

TEST(LabelLayoutTest, OneAndTwoLinesAreSixteenAndThirtyTwoHigh) {
  EXPECT_EQ(LayOutLabelText("Вопрос №", LargerFont(), false, 0).size.height(), 16);
  EXPECT_EQ(LayOutLabelText("Иванов\rИ-11", LargerFont(), false, 0).size.height(), 32);
  EXPECT_EQ(LayOutLabelText("Ф.И.О.", WindowFont(), false, 0).size.height(), 13);
}

TEST(LabelLayoutTest, TabsGoToTheNextStopOfEightAverageWidths) {
  const QFontMetrics metrics(LargerFont());
  const int stop = 8 * metrics.averageCharWidth();
  const auto width_of = [](const QString& text) {
    const LabelLayout layout = LayOutLabelText(text, LargerFont(), false, 0);
    EXPECT_EQ(layout.lines.size(), 1U);
    EXPECT_EQ(layout.lines[0].text, text);  // kept, expanded when measured and painted
    return layout.size.width();
  };
  // Anything shorter than one stop reaches the same stop.
  EXPECT_EQ(width_of("\tb"), stop + Advance("b"));
  EXPECT_EQ(width_of("a\tb"), stop + Advance("b"));
  EXPECT_EQ(width_of("\t\tb"), 2 * stop + Advance("b"));
  // Text past the first stop goes on to the following one.
  const QString longer(5, u'Ш');
  ASSERT_GT(Advance(longer), stop);
  ASSERT_LT(Advance(longer), 2 * stop);
  EXPECT_EQ(width_of(longer + "\tb"), 2 * stop + Advance("b"));
  // A wrapped line measures its tabs from its own start.
  const LabelLayout wrapped = LayOutLabelText("aaaaaaaa \tb", LargerFont(), true, stop + 10);
  ASSERT_EQ(wrapped.lines.size(), 2U);
  EXPECT_EQ(wrapped.lines[1].text, "\tb");
  EXPECT_EQ(wrapped.lines[1].width, stop + Advance("b"));
}

// ---------------------------------------------------------------------------
// Auto size and the container

// A container that lays out its children like the stacking layout does for
// fill- and top-aligned children, and counts how often it is asked to.
class TestHost : public QWidget, public AlignHost {
 public:
  TestHost() { resize(300, 100); }
  void Realign() override {
    ++realigns;
    int top = 0;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      sizes_seen.push_back(child->size());
      if (GetAlign(child) == Align::Top) {
        child->setGeometry(0, top, width(), child->height());
        top += child->height();
      } else if (GetAlign(child) == Align::Client) {
        child->setGeometry(0, top, width(), height() - top);
      }
    }
  }
  int realigns = 0;
  std::vector<QSize> sizes_seen;  // child sizes as the container found them
};

TEST(LabelSizeTest, StartsAsAGraphicOneLineLabelWithoutFocus) {
  QWidget parent;
  parent.setFont(LargerFont());
  Label label(&parent);
  EXPECT_TRUE(IsGraphic(&label));
  EXPECT_EQ(label.focusPolicy(), Qt::NoFocus);
  EXPECT_TRUE(label.autoFillBackground());
  EXPECT_TRUE(label.AutoSize());
  EXPECT_FALSE(label.WordWrap());
  EXPECT_EQ(label.TextAlignment(), Qt::AlignLeft);
  EXPECT_EQ(label.size(), QSize(Advance(" "), 16));
  label.setProperty("text", "Описание");  // the caption is the "text" property
  EXPECT_EQ(label.Caption(), "Описание");
  EXPECT_EQ(label.property("text").toString(), "Описание");
}

TEST(LabelSizeTest, TakesTheMeasuredSizeKeepingLeftAndTop) {
  QWidget parent;  // lays out nothing: the label keeps what it measures
  parent.setFont(LargerFont());
  Label label(&parent);
  label.setGeometry(8, 184, 14, 16);
  label.SetCaption("Количество вопросов в тесте:");
  EXPECT_EQ(label.geometry(), QRect(QPoint(8, 184), QSize(Advance("Количество вопросов в тесте:"), 16)));
  label.SetCaption("00");
  EXPECT_EQ(label.geometry(), QRect(QPoint(8, 184), QSize(Advance("00"), 16)));
  label.SetCaption("Иванов Иван\rИ-11");
  EXPECT_EQ(label.geometry(), QRect(QPoint(8, 184), QSize(Advance("Иванов Иван"), 32)));
  label.SetCaption("");
  EXPECT_EQ(label.geometry(), QRect(QPoint(8, 184), QSize(Advance(" "), 16)));
}

TEST(LabelSizeTest, FontChangeMeasuresAgainAlsoWhenInherited) {
  QWidget parent;
  parent.setFont(WindowFont());
  Label label(&parent);
  label.SetCaption("минут");
  EXPECT_EQ(label.height(), 13);
  parent.setFont(LargerFont());  // inherited
  EXPECT_EQ(label.size(), QSize(Advance("минут"), 16));
  QFont bold = LargerFont();
  bold.setBold(true);
  label.setFont(bold);  // its own
  EXPECT_EQ(label.width(), QFontMetrics(bold).horizontalAdvance("минут"));
  EXPECT_GT(label.width(), Advance("минут"));
}

TEST(LabelSizeTest, WordWrapFlagMeasuresAgainAtTheCurrentWidthButResizingDoesNot) {
  QWidget parent;
  parent.setFont(LargerFont());
  Label label(&parent);
  label.SetCaption("aaa bbbb");
  ASSERT_EQ(label.size(), QSize(Advance("aaa bbbb"), 16));
  label.resize(Advance("aaa bbb"), 16);  // a plain resize is not measured
  EXPECT_EQ(label.size(), QSize(Advance("aaa bbb"), 16));
  label.SetWordWrap(true);
  EXPECT_EQ(label.size(), QSize(Advance("bbbb"), 32));
  label.resize(400, 32);
  label.SetWordWrap(false);
  EXPECT_EQ(label.size(), QSize(Advance("aaa bbbb"), 16));
}

TEST(LabelSizeTest, WithoutAutoSizeKeepsItsSizeUntilTurnedBackOn) {
  QWidget parent;
  parent.setFont(LargerFont());
  Label label(&parent);
  label.SetAutoSize(false);
  label.setGeometry(8, 48, 433, 17);
  const QString caption =
      "Очень длинное название теста, которое не помещается в рамку по ширине и потому "
      "занимает две строки";
  ASSERT_GT(QFontMetrics(WindowFont()).horizontalAdvance(caption), 433);
  ASSERT_LT(QFontMetrics(WindowFont()).horizontalAdvance(caption), 800);
  label.SetCaption(caption);
  label.SetWordWrap(true);
  label.setFont(WindowFont());
  EXPECT_EQ(label.geometry(), QRect(8, 48, 433, 17));
  label.SetAutoSize(true);
  EXPECT_EQ(label.pos(), QPoint(8, 48));
  EXPECT_EQ(label.height(), 2 * 13);  // wrapped at 433
}

TEST(LabelSizeTest, AsksItsContainerToRealignAfterResizing) {
  TestHost host;
  host.setFont(LargerFont());
  auto* label = new Label(&host);
  EXPECT_EQ(host.realigns, 0);  // nothing is aligned yet while it is built
  label->SetCaption("Вопрос №");
  EXPECT_EQ(host.realigns, 1);
  ASSERT_EQ(host.sizes_seen.size(), 1U);
  EXPECT_EQ(host.sizes_seen[0], QSize(Advance("Вопрос №"), 16));  // already resized
  label->SetCaption("Вопрос №");  // no change, nothing to do
  EXPECT_EQ(host.realigns, 1);
  QFont bold = LargerFont();
  bold.setBold(true);
  label->setFont(bold);
  EXPECT_EQ(host.realigns, 2);
  label->SetWordWrap(true);  // still one line at its width: the size stays, nothing to do
  EXPECT_EQ(host.realigns, 2);
  label->SetCaption("Вопрос № 2");  // "2" wraps to a second line
  EXPECT_EQ(label->height(), 32);
  EXPECT_EQ(host.realigns, 3);
}

TEST(LabelSizeTest, AlignmentOfTheContainerWinsOverTheMeasuredSize) {
  TestHost host;
  host.setFont(LargerFont());
  auto* top = new Label(&host);
  auto* fill = new Label(&host);
  fill->SetWordWrap(true);
  fill->SetTextAlignment(Qt::AlignHCenter);
  SetAlign(top, Align::Top);
  SetAlign(fill, Align::Client);

  top->SetCaption("Иванов\rИ-11");
  EXPECT_EQ(top->geometry(), QRect(0, 0, 300, 32));
  EXPECT_EQ(fill->geometry(), QRect(0, 32, 300, 68));
  top->SetCaption("Иванов");
  EXPECT_EQ(top->geometry(), QRect(0, 0, 300, 16));
  fill->SetCaption("Вы ответили на все вопросы! Пригласите преподавателя для просмотра");
  EXPECT_EQ(fill->geometry(), QRect(0, 16, 300, 84));
  host.setFont(WindowFont());
  EXPECT_EQ(top->geometry(), QRect(0, 0, 300, 13));
  EXPECT_EQ(fill->geometry(), QRect(0, 13, 300, 87));
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
  LabelPaintTest() : label_(new Label(&parent_)) {
    parent_.setFont(LargerFont());
    QPalette palette = parent_.palette();
    palette.setColor(QPalette::Window, kBackground);
    palette.setColor(QPalette::WindowText, Qt::black);
    parent_.setPalette(palette);
    parent_.resize(320, 120);
    label_->SetAutoSize(false);
    label_->setGeometry(0, 0, 300, 40);
  }

  static constexpr QRgb kBackground = 0xFFD4D0C8;  // a button-face grey
  QWidget parent_;
  Label* label_;
};

TEST_F(LabelPaintTest, PaintsTheContainersColourUnderItsText) {
  // A later label lies in front of an earlier one and hides its text.
  label_->SetCaption("ШШШШШШШШ\nШШШШШШШШ");
  Label front(&parent_);
  front.SetAutoSize(false);
  front.setGeometry(label_->geometry());
  front.SetCaption(" ");
  front.hide();
  ASSERT_TRUE(AnyDark(Grab(parent_), QRect(0, 0, 300, 40)));
  front.show();
  const QImage image = Grab(parent_);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 300; ++x) ASSERT_EQ(image.pixel(x, y), kBackground) << x << "," << y;
  }
}

TEST_F(LabelPaintTest, PlacesEachLineByItsAlignment) {
  // The short first line must be placed on its own, not as part of a block
  // as wide as the long second line.
  label_->SetCaption("ab\r\nШШШШШШШШШШШШШШШШ");
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
    label_->SetTextAlignment(c.alignment | Qt::AlignVCenter);  // only the horizontal part counts
    EXPECT_EQ(label_->TextAlignment(), c.alignment);
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
  }
}

TEST_F(LabelPaintTest, PaintsInThePalettesTextColour) {
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
  label_->setPalette(palette);
  label_->SetCaption("Правильных ответов: 7");
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

TEST_F(LabelPaintTest, UnderlinesTheMarkedCharacterOnly) {
  const QFontMetrics metrics(LargerFont());
  const int a = Advance("a");
  // The rows below the baseline: "ab" has no descenders there.
  const QRect below_a(0, metrics.ascent(), a, 16 - metrics.ascent());
  const QRect below_b(a + 1, metrics.ascent(), Advance("b") - 1, 16 - metrics.ascent());
  label_->SetCaption("ab");
  QImage image = Grab(*label_);
  ASSERT_TRUE(AnyDark(image, QRect(0, 0, 30, metrics.ascent())));
  EXPECT_FALSE(AnyDark(image, below_a));
  const QImage glyphs = image.copy(0, 0, 300, metrics.ascent());
  label_->SetCaption("&ab");
  image = Grab(*label_);
  EXPECT_TRUE(AnyDark(image, below_a));
  EXPECT_FALSE(AnyDark(image, below_b));
  EXPECT_EQ(image.copy(0, 0, 300, metrics.ascent()), glyphs);  // the "&" itself is not drawn
}

TEST_F(LabelPaintTest, PaintsExpandedTabs) {
  const int stop = 8 * QFontMetrics(LargerFont()).averageCharWidth();
  label_->SetCaption("\tШ");
  const QImage image = Grab(*label_);
  EXPECT_FALSE(AnyDark(image, QRect(0, 0, stop - 1, 40)));
  EXPECT_TRUE(AnyDark(image, QRect(stop, 0, Advance("Ш"), 16)));
}

TEST_F(LabelPaintTest, CutsOffWhatDoesNotFit) {
  // Like a two-line description in a frame of one and a half lines.
  label_->SetWordWrap(true);
  label_->setGeometry(0, 0, Advance("ШШШ"), 24);
  label_->SetCaption("ШШШ ШШШ ШШШ ШШШ");
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
