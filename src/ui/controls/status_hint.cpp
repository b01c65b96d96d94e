#include "ui/controls/status_hint.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QWindow>

#include "ui/controls/control.h"

namespace miravel::ui {
namespace {

bool Shown(const QWidget* w) { return !w->isHidden() && w->isVisible(); }

// The front-most child of `parent` under `pos` (parent coordinates) that
// `accept` takes.
template <typename Accept>
QWidget* FrontChildAt(const QWidget& parent, QPoint pos, Accept accept) {
  const QObjectList& children = parent.children();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    auto* w = qobject_cast<QWidget*>(*it);
    if (w == nullptr || w->isWindow() || !Shown(w)) continue;
    if (w->geometry().contains(pos) && accept(w)) return w;
  }
  return nullptr;
}

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
  setSizeGripEnabled(false);
  setFocusPolicy(Qt::NoFocus);
}

QWidget* ControlAt(QWidget& window, QPoint pos) {
  if (!QRect(QPoint(0, 0), window.size()).contains(pos)) return nullptr;
  QWidget* owner = &window;
  QPoint local = pos;
  for (;;) {
    QWidget* inner = FrontChildAt(*owner, local, [](const QWidget* w) {
      return !IsGraphic(w) && w->isEnabled();
    });
    if (inner == nullptr) break;
    local -= inner->pos();
    owner = inner;
  }
  QWidget* graphic =
      FrontChildAt(*owner, local, [](const QWidget* w) { return IsGraphic(w); });
  return graphic != nullptr ? graphic : owner;
}

QString StatusHint(const QWidget* control) {
  QString hint;
  for (const QWidget* w = control; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget()) {
    hint = Hint(w);
    if (!hint.isEmpty()) break;
  }
  const qsizetype bar = hint.indexOf(u'|');
  return bar >= 0 ? hint.mid(bar + 1) : hint;
}

HintTracker::HintTracker(StatusBar& bar) : QObject(&bar), bar_(bar) {
  // A zero-interval single shot fires once the waiting events are done.
  idle_.setSingleShot(true);
  idle_.setInterval(0);
  connect(&idle_, &QTimer::timeout, this, &HintTracker::UpdateNow);
  qApp->installEventFilter(this);
}

HintTracker::~HintTracker() { qApp->removeEventFilter(this); }

void HintTracker::PointerAt(QWidget* widget, QPointF local) {
  window_ = widget->window();
  pos_ = widget->mapTo(window_.data(), local.toPoint());
}

static QWidget* WidgetOfWindow(const QObject* window) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowHandle() == window) return w;
  return nullptr;
}

bool HintTracker::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &idle_) return false;
  switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::Enter:
      // Every pointer event reaches the platform window first, in its own
      // coordinates; widgets get them only where they ask for them.
      if (qobject_cast<QWindow*>(watched) != nullptr) {
        if (QWidget* w = WidgetOfWindow(watched))
          PointerAt(w, static_cast<QSinglePointEvent*>(event)->position());
      }
      break;
    case QEvent::Leave:
      // Leaving a window: the pointer is outside the program's windows until
      // it enters one again.
      if (qobject_cast<QWindow*>(watched) != nullptr && window_ != nullptr &&
          window_->windowHandle() == watched)
        window_ = nullptr;
      break;
    case QEvent::ToolTip:
      return true;  // no pop-up tips
    default:
      break;
  }
  if (!idle_.isActive()) idle_.start();
  return false;
}

void HintTracker::UpdateNow() {
  const QWidget* control = nullptr;
  if (QWidget* window = window_.data(); window != nullptr && window->isVisible())
    control = ControlAt(*window, pos_);
  const QString hint = StatusHint(control);
  if (hint == last_) return;
  last_ = hint;
  bar_.SetSimpleText(hint);
}

}  // namespace miravel::ui
