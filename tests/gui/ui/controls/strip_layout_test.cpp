// SPDX-License-Identifier: GPL-3.0-or-later
// The strip layout of panels and group boxes: top and bottom strips, the
// fill, labels at their corner, and that every change is laid out at once.
#include "ui/controls/strip_layout.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGroupBox>
#include <memory>
#include <optional>
#include <vector>

#include "ui/controls/mnemonic_label.h"
#include "ui/fonts.h"

namespace miravel::ui {
namespace {

using Place = StripLayout::Place;

struct Child {
  const char* name;
  std::optional<Place> place;  // none: a child the layout does not place
  QRect designed;
};

// Builds a panel of `size` with the children in the order given, each first
// at its designed place (a strip with its designed height as its fixed
// height), and adds them to the panel's layout in that order.
std::unique_ptr<QWidget> Build(QSize size, const std::vector<Child>& children) {
  auto panel = std::make_unique<QWidget>();
  panel->resize(size);
  auto* layout = new StripLayout(panel.get());
  for (const Child& c : children) {
    auto* w = new QWidget(panel.get());
    w->setObjectName(QString::fromLatin1(c.name));
    w->setGeometry(c.designed);
    if (c.place == Place::Top || c.place == Place::Bottom) w->setFixedHeight(c.designed.height());
    if (c.place) layout->addWidget(w, *c.place);
  }
  return panel;
}

QWidget* Get(const QWidget& parent, const char* name) { return parent.findChild<QWidget*>(QString::fromLatin1(name)); }

QRect At(const QWidget& parent, const char* name) { return Get(parent, name)->geometry(); }

TEST(StripLayout, StripsTakeTopAndBottomInTheirOrderAndTheFillGetsTheRest) {
  auto p = Build({462, 424}, {{"top1", Place::Top, {0, 0, 10, 97}},
                              {"top2", Place::Top, {5, 300, 10, 272}},
                              {"fill", Place::Fill, {5, 5, 1, 1}},
                              {"bottom1", Place::Bottom, {0, 405, 10, 19}},
                              {"bottom2", Place::Bottom, {0, 0, 10, 20}},
                              {"free", std::nullopt, {7, 8, 9, 10}}});
  EXPECT_EQ(At(*p, "top1"), QRect(0, 0, 462, 97));
  EXPECT_EQ(At(*p, "top2"), QRect(0, 97, 462, 272));
  EXPECT_EQ(At(*p, "bottom1"), QRect(0, 405, 462, 19));
  EXPECT_EQ(At(*p, "bottom2"), QRect(0, 385, 462, 20));
  EXPECT_EQ(At(*p, "fill"), QRect(0, 369, 462, 16));
  EXPECT_EQ(At(*p, "free"), QRect(7, 8, 9, 10));
}

TEST(StripLayout, NegativeRoomKeepsTheFillsOwnHeightAtTheTopEdge) {
  // The main window's start: 369 rows taken from the top, 76 from the bottom.
  auto p = Build({462, 424}, {{"g1", Place::Top, {0, 0, 462, 97}},
                              {"g2", Place::Top, {0, 97, 462, 272}},
                              {"status", Place::Bottom, {0, 405, 462, 19}},
                              {"strip", Place::Bottom, {0, 348, 462, 57}},
                              {"area", Place::Fill, {0, 369, 462, 0}}});
  EXPECT_EQ(At(*p, "area"), QRect(0, 369, 462, 0));
  EXPECT_EQ(At(*p, "strip"), QRect(0, 348, 462, 57));
  // Two fills share the rectangle; a negative width keeps the width.
  auto q =
      Build({30, 100},
            {{"t", Place::Top, {0, 0, 5, 40}}, {"a", Place::Fill, {0, 0, 3, 3}}, {"b", Place::Fill, {0, 0, 4, 4}}});
  EXPECT_EQ(At(*q, "a"), QRect(0, 40, 30, 60));
  EXPECT_EQ(At(*q, "b"), QRect(0, 40, 30, 60));
  auto r = Build({0, 50}, {{"a", Place::Fill, {0, 0, 7, 7}}});
  EXPECT_EQ(At(*r, "a"), QRect(0, 0, 0, 50));
}

TEST(StripLayout, FollowsWidgetsBeingHiddenShownAndResizedAtOnce) {
  auto p = Build({462, 424}, {{"g1", Place::Top, {0, 0, 462, 97}},
                              {"g2", Place::Top, {0, 97, 462, 272}},
                              {"status", Place::Bottom, {0, 405, 462, 19}},
                              {"strip", Place::Bottom, {0, 348, 462, 57}},
                              {"area", Place::Fill, {0, 369, 462, 0}}});
  p->show();
  QWidget* g1 = Get(*p, "g1");
  QWidget* g2 = Get(*p, "g2");
  g2->hide();
  EXPECT_EQ(At(*p, "area"), QRect(0, 97, 462, 251));
  EXPECT_EQ(g2->geometry(), QRect(0, 97, 462, 272)) << "a hidden widget keeps its place";
  g1->hide();
  EXPECT_EQ(At(*p, "area"), QRect(0, 0, 462, 348));
  g1->show();
  EXPECT_EQ(At(*p, "area"), QRect(0, 97, 462, 251));
  g1->setFixedHeight(120);  // a strip that grows pushes the rest down
  EXPECT_EQ(At(*p, "area"), QRect(0, 120, 462, 228));
  p->resize(462, 500);  // the container's own size
  EXPECT_EQ(At(*p, "status"), QRect(0, 481, 462, 19));
  EXPECT_EQ(At(*p, "area"), QRect(0, 120, 462, 304));
  // Hidden before the window is ever shown counts too.
  auto q = Build({100, 100}, {{"t", Place::Top, {0, 0, 100, 30}}, {"f", Place::Fill, {}}});
  Get(*q, "t")->hide();
  EXPECT_EQ(At(*q, "f"), QRect(0, 0, 100, 100));
}

int Advance(const QString& text) { return QFontMetrics(LargerFont()).horizontalAdvance(text); }

TEST(StripLayout, LabelsTakeTheSizeOfTheirTextAtOnce) {
  QWidget host;
  host.setFont(LargerFont());
  host.resize(300, 100);
  auto* top = new MnemonicLabel(&host);
  auto* fill = new MnemonicLabel(&host);
  fill->setWordWrap(true);
  auto* corner = new MnemonicLabel(QStringLiteral("00"), &host);
  corner->setGeometry(240, 60, 14, 16);  // the designed corner; the size is the text's
  auto* layout = new StripLayout(&host);
  layout->addWidget(top, Place::Top);
  layout->addWidget(fill, Place::Fill);
  layout->addWidget(corner, Place::Corner);
  EXPECT_EQ(corner->geometry(), QRect(240, 60, Advance("00"), 16));

  top->setText(QStringLiteral("Иванов\rИ-11"));
  EXPECT_EQ(top->geometry(), QRect(0, 0, 300, 32));
  EXPECT_EQ(fill->geometry(), QRect(0, 32, 300, 68));
  top->setText(QStringLiteral("Иванов"));
  EXPECT_EQ(top->geometry(), QRect(0, 0, 300, 16));
  fill->setText(QStringLiteral("Вы ответили на все вопросы! Пригласите преподавателя для просмотра"));
  EXPECT_EQ(fill->geometry(), QRect(0, 16, 300, 84)) << "a fill's text does not size it";
  corner->setText(QStringLiteral("Количество"));
  EXPECT_EQ(corner->geometry(), QRect(240, 60, Advance("Количество"), 16)) << "past the edge";
  // An inherited font measures again; so does a label's own.
  host.setFont(WindowFont());
  EXPECT_EQ(top->geometry(), QRect(0, 0, 300, 13));
  EXPECT_EQ(fill->geometry(), QRect(0, 13, 300, 87));
  EXPECT_EQ(corner->height(), 13);
  QFont bold = WindowFont();
  bold.setBold(true);
  corner->setFont(bold);
  EXPECT_EQ(corner->width(), QFontMetrics(bold).horizontalAdvance("Количество"));
  // A hidden corner label is measured again when it is shown.
  corner->hide();
  corner->setText(QStringLiteral("1"));
  corner->show();
  EXPECT_EQ(corner->width(), QFontMetrics(bold).horizontalAdvance("1"));
}

TEST(StripLayout, InAGroupBoxTheAreaStartsOneCaptionLinePlusTwoFromTheTop) {
  struct Case {
    QFont font;
    QRect inner;
  };
  for (const Case& c : {Case{LargerFont(), {2, 18, 458, 59}}, Case{WindowFont(), {2, 15, 458, 62}}}) {
    QGroupBox box(QStringLiteral("Вопрос"));
    box.setFont(c.font);
    box.resize(462, 79);
    auto* fill = new QWidget(&box);
    (new StripLayout(&box))->addWidget(fill, Place::Fill);
    EXPECT_EQ(StripLayout::InnerArea(box), c.inner);
    EXPECT_EQ(fill->geometry(), c.inner);
  }
  QWidget panel;
  panel.resize(40, 30);
  EXPECT_EQ(StripLayout::InnerArea(panel), QRect(0, 0, 40, 30)) << "a panel: all of it";
}

}  // namespace
}  // namespace miravel::ui
