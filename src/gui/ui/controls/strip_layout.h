// SPDX-License-Identifier: GPL-3.0-or-later
// The layout of the windows' containers: strips along the top and the
// bottom, a fill for what is left, and labels at their own corner.
//
// Within the container's inner area (the whole container; in a group box,
// what lies below its caption line: one line height of its font plus 2
// pixels from the top, and 2 pixels in from the other edges):
//  1. top strips, in the order they were added, each take a strip of their
//     height off the top of the free rectangle, at its full width;
//  2. bottom strips, the first added lowest, each take one off its bottom;
//  3. every fill gets the whole free rectangle that is left; where that has
//     a negative height (or width) the fill keeps its own height (width) and
//     sits at the free rectangle's top (left) edge, so that the strips above
//     it may reach over the ones below;
//  4. a corner item stands at its corner, at its size hint (a label: the size
//     of its text).
// A strip's height is its widget's size hint within its minimum and maximum
// height: the fixed height of a panel, the text height of a label. Hidden
// widgets take no part and keep their last place; the container's other
// children keep the place they were given.
//
// Unlike Qt's own layouts, the places are taken at once, not at the event
// loop's next turn: whenever a widget of the layout is shown, hidden or
// changes its size hint (a label its text), and whenever the container's
// size changes.
#pragma once

#include <QLayout>
#include <QList>
#include <QPoint>

namespace miravel::ui {

class StripLayout : public QLayout {
  Q_OBJECT

 public:
  enum class Place { Top, Bottom, Fill, Corner };

  // Lays out `container`'s widgets that are added to it.
  explicit StripLayout(QWidget* container);
  ~StripLayout() override;

  // Adds `widget`, a child of the container. A corner item's corner is where
  // the widget stands when it is added.
  void addWidget(QWidget* widget, Place place);

  // QLayout
  void addItem(QLayoutItem* item) override;  // a top strip
  int count() const override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  QSize sizeHint() const override;
  void setGeometry(const QRect& rect) override;
  void invalidate() override;

  // The area the items are placed in, in `container`'s coordinates.
  static QRect InnerArea(const QWidget& container);

 private:
  struct Item {
    QLayoutItem* item;
    Place place;
    QPoint corner;
  };
  QList<Item> items_;
  bool placing_ = false;
};

}  // namespace miravel::ui
