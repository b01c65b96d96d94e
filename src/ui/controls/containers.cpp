#include "ui/controls/containers.h"

#include <QChildEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <utility>
#include <vector>

#include "ui/fonts.h"

namespace miravel::ui {
namespace {

// Children taking part in the layout, in creation order.
std::vector<QWidget*> AlignedChildren(QWidget& container, Align align) {
  std::vector<QWidget*> out;
  for (QObject* o : container.children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w == nullptr || w->isWindow() || !w->isVisibleTo(&container)) continue;
    if (GetAlign(w) == align) out.push_back(w);
  }
  return out;
}

bool TakesPart(const QObject* o) {
  const auto* w = qobject_cast<const QWidget*>(o);
  return w != nullptr && !w->isWindow() && GetAlign(w) != Align::None;
}

}  // namespace

void LayOutAlignedChildren(QWidget& container, const QRect& inner) {
  int left = inner.left();
  int top = inner.top();
  int right = inner.left() + inner.width();   // exclusive
  int bottom = inner.top() + inner.height();  // exclusive

  std::vector<QWidget*> tops = AlignedChildren(container, Align::Top);
  std::stable_sort(tops.begin(), tops.end(),
                   [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
  for (QWidget* w : tops) {
    w->setGeometry(left, top, right - left, w->height());
    top += w->height();
  }

  std::vector<QWidget*> bottoms = AlignedChildren(container, Align::Bottom);
  std::stable_sort(bottoms.begin(), bottoms.end(), [](const QWidget* a, const QWidget* b) {
    return a->y() + a->height() > b->y() + b->height();
  });
  for (QWidget* w : bottoms) {
    bottom -= w->height();
    w->setGeometry(left, bottom, right - left, w->height());
  }

  for (QWidget* w : AlignedChildren(container, Align::Client)) {
    const int width = right - left >= 0 ? right - left : w->width();
    const int height = bottom - top >= 0 ? bottom - top : w->height();
    w->setGeometry(left, top, width, height);
  }
}

StackingLayout::StackingLayout(QWidget& container, std::function<QRect()> inner_area)
    : container_(container), inner_area_(std::move(inner_area)) {
  container_.installEventFilter(this);
}

void StackingLayout::Run() {
  if (running_) return;  // the layout's own moves and resizes
  running_ = true;
  LayOutAlignedChildren(container_, inner_area_());
  running_ = false;
}

bool StackingLayout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &container_) {
    switch (event->type()) {
      case QEvent::ChildAdded:
      case QEvent::ChildPolished: {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType()) child->installEventFilter(this);
        break;
      }
      case QEvent::Resize:
      case QEvent::FontChange:  // a group box's inner area follows its font
      case QEvent::LayoutRequest:
        Run();
        break;
      default:
        break;
    }
    return false;
  }
  switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::Resize:
    case QEvent::Move:
      if (TakesPart(watched)) Run();
      break;
    default:
      break;
  }
  return false;
}

Panel::Panel(QWidget* parent)
    : QWidget(parent), layout_(*this, [this] { return QRect(QPoint(0, 0), size()); }) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);  // covers what lies behind it
}

GroupBox::GroupBox(QWidget* parent)
    : QGroupBox(parent), layout_(*this, [this] { return InnerArea(); }) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);  // covers what lies behind it
}

void PaintGroupFrame(QWidget& box, const QString& caption) {
  QPainter painter(&box);
  const QPalette& palette = box.palette();
  const QFontMetrics metrics(box.font());
  const int top = metrics.height() / 2;
  const int right = box.width() - 1;
  const int bottom = box.height() - 1;
  // Etched: a shadow line with a light line just inside and below it.
  painter.setPen(palette.color(QPalette::Dark));
  painter.drawRect(0, top, right - 1, bottom - top - 1);
  painter.setPen(palette.color(QPalette::Light));
  painter.drawLine(1, top + 1, right - 2, top + 1);
  painter.drawLine(1, top + 1, 1, bottom - 2);
  painter.drawLine(0, bottom, right, bottom);
  painter.drawLine(right, top, right, bottom);
  if (caption.isEmpty()) return;
  const QString text = QString(caption).remove(u'&');
  const QRect area(8, 0, metrics.horizontalAdvance(text) + 4, metrics.height());
  painter.fillRect(area, palette.color(QPalette::Window));
  painter.setPen(palette.color(box.isEnabled() ? QPalette::Active : QPalette::Disabled,
                               QPalette::WindowText));
  painter.drawText(area.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
}

void GroupBox::paintEvent(QPaintEvent*) { PaintGroupFrame(*this, title()); }

QRect GroupBox::InnerArea() const {
  const int top = LineHeight(font()) + 2;
  return QRect(2, top, width() - 4, height() - top - 2);
}

}  // namespace miravel::ui
