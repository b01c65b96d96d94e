// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/strip_layout.h"

#include <QGroupBox>
#include <QWidget>
#include <algorithm>

#include "ui/fonts.h"

namespace miravel::ui {
namespace {

// A strip's height: its size hint within its minimum and maximum height (the
// minimum wins while a change of both has set only the one).
int StripHeight(const QWidget& widget) {
  return std::max(widget.minimumHeight(), std::min(widget.sizeHint().height(), widget.maximumHeight()));
}

}  // namespace

StripLayout::StripLayout(QWidget* container) : QLayout(container) {
  setContentsMargins(0, 0, 0, 0);
  setSpacing(0);
  // The container's size is its own: the layout sets no minimum on it.
  setSizeConstraint(QLayout::SetNoConstraint);
  container->setAttribute(Qt::WA_LayoutOnEntireRect);
}

StripLayout::~StripLayout() {
  for (const Item& i : items_) delete i.item;
}

void StripLayout::addWidget(QWidget* widget, Place place) {
  addChildWidget(widget);
  items_.append({new QWidgetItem(widget), place, widget->pos()});
  invalidate();
}

void StripLayout::addItem(QLayoutItem* item) {
  items_.append({item, Place::Top, QPoint()});
  invalidate();
}

int StripLayout::count() const { return static_cast<int>(items_.size()); }

QLayoutItem* StripLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_[index].item : nullptr;
}

QLayoutItem* StripLayout::takeAt(int index) {
  if (index < 0 || index >= items_.size()) return nullptr;
  QLayoutItem* item = items_.takeAt(index).item;
  invalidate();
  return item;
}

QSize StripLayout::sizeHint() const { return QSize(0, 0); }

QRect StripLayout::InnerArea(const QWidget& container) {
  if (qobject_cast<const QGroupBox*>(&container) != nullptr) {
    const int top = LineHeight(container.font()) + 2;
    return QRect(2, top, container.width() - 4, container.height() - top - 2);
  }
  return container.rect();
}

void StripLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const QWidget* container = parentWidget();
  if (container == nullptr) return;
  const QRect inner = InnerArea(*container);
  const int left = inner.left();
  const int right = inner.left() + inner.width();  // exclusive
  int top = inner.top();
  int bottom = inner.top() + inner.height();  // exclusive

  const bool was_placing = placing_;
  placing_ = true;  // the moves and resizes below do not start it again
  for (const Item& i : items_) {
    if (i.place != Place::Top || i.item->isEmpty()) continue;
    QWidget* w = i.item->widget();
    const int height = StripHeight(*w);
    w->setGeometry(left, top, right - left, height);
    top += height;
  }
  for (const Item& i : items_) {
    if (i.place != Place::Bottom || i.item->isEmpty()) continue;
    QWidget* w = i.item->widget();
    const int height = StripHeight(*w);
    bottom -= height;
    w->setGeometry(left, bottom, right - left, height);
  }
  for (const Item& i : items_) {
    if (i.item->isEmpty()) continue;
    QWidget* w = i.item->widget();
    if (i.place == Place::Fill) {
      w->setGeometry(left, top, right >= left ? right - left : w->width(), bottom >= top ? bottom - top : w->height());
    } else if (i.place == Place::Corner) {
      const QSize hint = w->sizeHint();
      w->setGeometry(QRect(i.corner, hint.isValid() ? hint : w->size()));
    }
  }
  placing_ = was_placing;
}

void StripLayout::invalidate() {
  QLayout::invalidate();
  if (placing_ || parentWidget() == nullptr) return;
  placing_ = true;
  activate();  // places everything now
  placing_ = false;
}

}  // namespace miravel::ui
