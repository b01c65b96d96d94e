// Containers that place their aligned children by the stacking layout:
//  1. the free rectangle starts as the container's inner area;
//  2. top-aligned children, in the order of their top edges, each take a strip
//     of their own height off its top, at its full width;
//  3. bottom-aligned children, the one with the lowest bottom edge first, each
//     take a strip of their own height off its bottom;
//  4. every fill-aligned child gets the whole free rectangle that is left;
//     where that has a negative height (or width) the child keeps its own
//     height (width) and sits at the free rectangle's top (left) edge;
//  5. hidden children take no part and keep their last place; children
//     without alignment keep their place.
// The layout runs again whenever an aligned child is shown, hidden, moved or
// resized, and whenever the container's own size changes.
#pragma once

#include <QGroupBox>
#include <QRect>
#include <QWidget>

#include "ui/controls/control.h"

namespace miravel::ui {

// Places the children of `container` within `inner` (container coordinates).
void LayOutAlignedChildren(QWidget& container, const QRect& inner);

// Keeps a container's aligned children in place: watches the children and the
// container, and runs the layout when they change.
class StackingLayout : public QObject {
 public:
  StackingLayout(QWidget& container, std::function<QRect()> inner_area);
  void Run();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& container_;
  std::function<QRect()> inner_area_;
  bool running_ = false;
};

// Paints a group box in the window's colour: an etched frame whose top edge
// runs through the middle of the caption's first line, and the caption at the
// left, 8 pixels in, on the box's colour.
void PaintGroupFrame(QWidget& box, const QString& caption);

// A panel without border or caption.
class Panel : public QWidget, public AlignHost {
  Q_OBJECT

 public:
  explicit Panel(QWidget* parent = nullptr);
  void Realign() override { layout_.Run(); }

 private:
  StackingLayout layout_;
};

// A group box: frame and caption; its children's inner area starts one line
// height of its font plus 2 pixels from the top and 2 pixels in from the
// other edges.
class GroupBox : public QGroupBox, public AlignHost {
  Q_OBJECT

 public:
  explicit GroupBox(QWidget* parent = nullptr);
  QRect InnerArea() const;
  void Realign() override { layout_.Run(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  StackingLayout layout_;
};

}  // namespace miravel::ui
