// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/track_bar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cstdint>

namespace miravel::ui {
namespace {

bool IsScrollKey(int key) {
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End: return true;
    default: return false;
  }
}

// The platform's style, except that holding the mouse beside the thumb pages
// step by step towards the pointer instead of jumping to it when near.
class PagingStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* return_data) const override {
    if (hint == SH_Slider_StopMouseOverSlider) return 0;
    return QProxyStyle::styleHint(hint, option, widget, return_data);
  }
};

// Runs `handle` as the user's input to `bar`: the value it changes is
// notified afterwards, once, by the caller.
template <typename Handle>
void AsUserInput(bool& user, bool& action, Handle handle) {
  user = true;
  action = false;
  handle();
  user = false;
}

}  // namespace

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::TicksBelow);
  setSingleStep(1);
  setPageStep(2);
  setTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  auto* style = new PagingStyle;
  style->setParent(this);  // a widget does not own the style it is given
  setStyle(style);
  spaceTicks();
  connect(this, &QAbstractSlider::actionTriggered, this, [this] { action_ = true; });
  connect(this, &QAbstractSlider::valueChanged, this, [this] {
    if (!user_) emit positionNotified();
  });
}

void TrackBar::spaceTicks() {
  // One tick mark per position; where there are more positions than pixels
  // to draw them in, the marks run together, and every n-th one looks the
  // same at a fraction of the cost of painting them all.
  const std::int64_t positions = std::int64_t{maximum()} - minimum();
  const std::int64_t room = std::max(width(), 1);
  setTickInterval(static_cast<int>(positions > room ? (positions + room - 1) / room : 1));
}

void TrackBar::sliderChange(SliderChange change) {
  QSlider::sliderChange(change);
  if (change == SliderRangeChange) spaceTicks();
}

void TrackBar::resizeEvent(QResizeEvent* event) {
  QSlider::resizeEvent(event);
  spaceTicks();
}

void TrackBar::keyPressEvent(QKeyEvent* event) {
  // Up and Page Up move towards the minimum, Down and Page Down towards the
  // maximum, as on the desktop's track bars; the base control has them the
  // other way round.
  int key = event->key();
  switch (key) {
    case Qt::Key_Up: key = Qt::Key_Left; break;
    case Qt::Key_Down: key = Qt::Key_Right; break;
    case Qt::Key_PageUp: key = Qt::Key_PageDown; break;
    case Qt::Key_PageDown: key = Qt::Key_PageUp; break;
    default: break;
  }
  QKeyEvent mapped(event->type(), key, event->modifiers(), event->text(), event->isAutoRepeat(),
                   static_cast<quint16>(event->count()));
  AsUserInput(user_, action_, [&] { QSlider::keyPressEvent(&mapped); });
  event->setAccepted(mapped.isAccepted());
  if (action_ || (mapped.isAccepted() && IsScrollKey(key))) emit positionNotified();
}

void TrackBar::keyReleaseEvent(QKeyEvent* event) {
  QSlider::keyReleaseEvent(event);
  // The end of a key's scrolling is a notification of its own.
  if (IsScrollKey(event->key()) && !event->isAutoRepeat()) emit positionNotified();
}

bool TrackBar::thumbUnder(QPoint point) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this).contains(point);
}

void TrackBar::mousePressEvent(QMouseEvent* event) {
  press_point_ = event->position().toPoint();
  AsUserInput(user_, action_, [&] { QSlider::mousePressEvent(event); });
  if (action_) emit positionNotified();
}

void TrackBar::mouseMoveEvent(QMouseEvent* event) {
  AsUserInput(user_, action_, [&] { QSlider::mouseMoveEvent(event); });
  if (action_) emit positionNotified();  // each position while the thumb is dragged
}

void TrackBar::mouseReleaseEvent(QMouseEvent* event) {
  const bool tracking = (event->button() == Qt::LeftButton);
  AsUserInput(user_, action_, [&] { QSlider::mouseReleaseEvent(event); });
  // Releasing ends the drag or the click's scrolling: one more notification.
  if (tracking || action_) emit positionNotified();
}

void TrackBar::wheelEvent(QWheelEvent* event) {
  AsUserInput(user_, action_, [&] { QSlider::wheelEvent(event); });
  if (action_) emit positionNotified();
}

void TrackBar::timerEvent(QTimerEvent* event) {
  // The repeated steps while the mouse stays pressed beside the thumb; they
  // end once the thumb has reached the pointer.
  const SliderAction repeat = repeatAction();
  if ((repeat == SliderPageStepAdd || repeat == SliderPageStepSub) && thumbUnder(press_point_)) {
    setRepeatAction(SliderNoAction);
    return;
  }
  AsUserInput(user_, action_, [&] { QSlider::timerEvent(event); });
  if (action_) emit positionNotified();
}

}  // namespace miravel::ui
