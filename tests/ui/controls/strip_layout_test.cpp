// The stacking layout of panels and group boxes.
#include "ui/controls/containers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "ui/fonts.h"

namespace miravel::ui {
namespace {

struct Child {
  const char* name;
  Align align;
  QRect designed;
};

// Builds a panel of `size` with the children in creation order, sets the
// alignments (as a window being built does) and lays it out once.
std::unique_ptr<Panel> Build(QSize size, const std::vector<Child>& children) {
  auto panel = std::make_unique<Panel>();
  panel->resize(size);
  for (const Child& c : children) {
    auto* w = new QWidget(panel.get());
    w->setObjectName(QString::fromLatin1(c.name));
    w->setGeometry(c.designed);
    SetAlign(w, c.align, false);
  }
  panel->Realign();
  return panel;
}

QRect At(const QWidget& parent, const char* name) {
  return parent.findChild<QWidget*>(QString::fromLatin1(name))->geometry();
}

TEST(StackingLayout, StripsTakeTopAndBottomInEdgeOrderAndFillGetsTheRest) {
  // Created in an order different from the edges' order: the edges decide.
  auto p = Build({462, 424}, {{"top2", Align::Top, {0, 97, 10, 272}},
                              {"top1", Align::Top, {0, 0, 10, 97}},
                              {"fill", Align::Client, {5, 5, 1, 1}},
                              {"bottom1", Align::Bottom, {0, 405, 10, 19}},
                              {"bottom2", Align::Bottom, {0, 300, 10, 20}},
                              {"free", Align::None, {7, 8, 9, 10}}});
  EXPECT_EQ(At(*p, "top1"), QRect(0, 0, 462, 97));
  EXPECT_EQ(At(*p, "top2"), QRect(0, 97, 462, 272));
  EXPECT_EQ(At(*p, "bottom1"), QRect(0, 405, 462, 19));
  EXPECT_EQ(At(*p, "bottom2"), QRect(0, 385, 462, 20));
  EXPECT_EQ(At(*p, "fill"), QRect(0, 369, 462, 16));
  EXPECT_EQ(At(*p, "free"), QRect(7, 8, 9, 10));
}

TEST(StackingLayout, NegativeRoomKeepsTheFillChildsOwnHeightAtTheTopEdge) {
  // The main window's start: 369 rows taken from the top, 76 from the bottom.
  auto p = Build({462, 424}, {{"g1", Align::Top, {0, 0, 462, 97}},
                              {"strip", Align::Bottom, {0, 348, 462, 57}},
                              {"g2", Align::Top, {0, 97, 462, 272}},
                              {"area", Align::Client, {0, 369, 462, 0}},
                              {"status", Align::Bottom, {0, 405, 462, 19}}});
  EXPECT_EQ(At(*p, "area"), QRect(0, 369, 462, 0));
  EXPECT_EQ(At(*p, "strip"), QRect(0, 348, 462, 57));
  // Two fill children share the rectangle; a negative width keeps the width.
  auto q = Build({30, 100}, {{"a", Align::Client, {0, 0, 3, 3}},
                             {"b", Align::Client, {0, 0, 4, 4}},
                             {"t", Align::Top, {0, 0, 5, 40}}});
  EXPECT_EQ(At(*q, "a"), QRect(0, 40, 30, 60));
  EXPECT_EQ(At(*q, "b"), QRect(0, 40, 30, 60));
  auto r = Build({0, 50}, {{"a", Align::Client, {0, 0, 7, 7}}});
  EXPECT_EQ(At(*r, "a"), QRect(0, 0, 0, 50));
}

TEST(StackingLayout, FollowsChildrenBeingHiddenShownAndResized) {
  auto p = Build({462, 424}, {{"g1", Align::Top, {0, 0, 462, 97}},
                              {"strip", Align::Bottom, {0, 348, 462, 57}},
                              {"g2", Align::Top, {0, 97, 462, 272}},
                              {"area", Align::Client, {0, 369, 462, 0}},
                              {"status", Align::Bottom, {0, 405, 462, 19}}});
  p->show();
  auto* g1 = p->findChild<QWidget*>("g1");
  auto* g2 = p->findChild<QWidget*>("g2");
  g2->hide();
  EXPECT_EQ(At(*p, "area"), QRect(0, 97, 462, 251));
  EXPECT_EQ(g2->geometry(), QRect(0, 97, 462, 272)) << "a hidden child keeps its place";
  g1->hide();
  EXPECT_EQ(At(*p, "area"), QRect(0, 0, 462, 348));
  g1->show();
  EXPECT_EQ(At(*p, "area"), QRect(0, 97, 462, 251));
  g1->resize(462, 120);  // a strip that grows pushes the rest down
  EXPECT_EQ(At(*p, "area"), QRect(0, 120, 462, 228));
  p->resize(462, 500);  // the container's own size
  EXPECT_EQ(At(*p, "status"), QRect(0, 481, 462, 19));
  EXPECT_EQ(At(*p, "area"), QRect(0, 120, 462, 304));
  // Hidden before the window is ever shown counts too.
  auto q = Build({100, 100}, {{"t", Align::Top, {0, 0, 100, 30}}, {"f", Align::Client, {}}});
  q->findChild<QWidget*>("t")->hide();
  EXPECT_EQ(At(*q, "f"), QRect(0, 0, 100, 100));
}

TEST(GroupBoxInnerArea, StartsOneLinePlusTwoFromTheTopAndTwoFromTheOtherEdges) {
  GroupBox box;
  box.setFont(LargerFont());
  box.resize(462, 79);
  ASSERT_EQ(LineHeight(box.font()), 16);
  EXPECT_EQ(box.InnerArea(), QRect(2, 18, 458, 59));
  auto* fill = new QWidget(&box);
  SetAlign(fill, Align::Client);
  EXPECT_EQ(fill->geometry(), QRect(2, 18, 458, 59));
  box.setFont(WindowFont());  // the inner area follows the font
  ASSERT_EQ(LineHeight(box.font()), 13);
  EXPECT_EQ(fill->geometry(), QRect(2, 15, 458, 62));
}

}  // namespace
}  // namespace miravel::ui
