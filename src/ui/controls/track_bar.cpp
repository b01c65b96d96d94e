#include "ui/controls/track_bar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyleOptionSlider>
#include <QSignalBlocker>
#include <algorithm>
#include <cstdint>

#include "ui/controls/guard.h"

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
    case Qt::Key_End:
      return true;
    default:
      return false;
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

}  // namespace

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::TicksBelow);
  setTickInterval(1);
  setSingleStep(1);
  setPageStep(2);
  setTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  auto* style = new PagingStyle;
  style->setParent(this);  // a widget does not own the style it is given
  setStyle(style);
  ShowRange();
  connect(this, &QAbstractSlider::actionTriggered, this, [this](int) { action_ = true; });
}

void TrackBar::ShowRange() {
  const QSignalBlocker blocker(this);
  setRange(min_, max_);
  setValue(position_);
  SpaceTicks();
}

void TrackBar::SpaceTicks() {
  // One tick mark per position; where there are more positions than pixels
  // to draw them in, the marks run together, and every n-th one looks the
  // same at a fraction of the cost of painting them all.
  const std::int64_t positions = std::int64_t{max_} - min_;
  const std::int64_t room = std::max(width(), 1);
  setTickInterval(static_cast<int>(positions > room ? (positions + room - 1) / room : 1));
}

void TrackBar::resizeEvent(QResizeEvent* event) {
  QSlider::resizeEvent(event);
  SpaceTicks();
}

void TrackBar::StoreAndNotify(int value) {
  if (value == position_) return;
  position_ = value;
  ShowRange();
  if (OnChange) OnChange();
}

void TrackBar::SetPosition(int value) { StoreAndNotify(std::clamp(value, min_, max_)); }

void TrackBar::SetMax(int value) {
  if (value < min_ || value == max_) return;
  max_ = value;
  ShowRange();
  StoreAndNotify(std::clamp(position_, min_, max_));
}

void TrackBar::SetMin(int value) {
  if (value > max_ || value == min_) return;
  min_ = value;
  ShowRange();
  StoreAndNotify(std::clamp(position_, min_, max_));
}

void TrackBar::UserNotification() {
  action_ = false;
  position_ = value();
  Guarded([this] {
    if (OnChange) OnChange();
  });
}

void TrackBar::keyPressEvent(QKeyEvent* event) {
  // Up and Page Up move towards the minimum, Down and Page Down towards the
  // maximum, as on the desktop's track bars; the base control has them the
  // other way round.
  int key = event->key();
  switch (key) {
    case Qt::Key_Up:
      key = Qt::Key_Left;
      break;
    case Qt::Key_Down:
      key = Qt::Key_Right;
      break;
    case Qt::Key_PageUp:
      key = Qt::Key_PageDown;
      break;
    case Qt::Key_PageDown:
      key = Qt::Key_PageUp;
      break;
    default:
      break;
  }
  QKeyEvent mapped(event->type(), key, event->modifiers(), event->text(), event->isAutoRepeat(),
                   static_cast<quint16>(event->count()));
  action_ = false;
  QSlider::keyPressEvent(&mapped);
  event->setAccepted(mapped.isAccepted());
  if (action_ || (mapped.isAccepted() && IsScrollKey(key))) UserNotification();
}

void TrackBar::keyReleaseEvent(QKeyEvent* event) {
  QSlider::keyReleaseEvent(event);
  // The end of a key's scrolling is a notification of its own.
  if (IsScrollKey(event->key()) && !event->isAutoRepeat()) UserNotification();
}

bool TrackBar::ThumbUnder(QPoint point) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this)
      .contains(point);
}

void TrackBar::mousePressEvent(QMouseEvent* event) {
  press_point_ = event->position().toPoint();
  action_ = false;
  QSlider::mousePressEvent(event);
  if (action_) UserNotification();
}

void TrackBar::mouseMoveEvent(QMouseEvent* event) {
  action_ = false;
  QSlider::mouseMoveEvent(event);
  if (action_) UserNotification();  // each position while the thumb is dragged
}

void TrackBar::mouseReleaseEvent(QMouseEvent* event) {
  const bool tracking = (event->button() == Qt::LeftButton);
  action_ = false;
  QSlider::mouseReleaseEvent(event);
  // Releasing ends the drag or the click's scrolling: one more notification.
  if (tracking || action_) UserNotification();
}

void TrackBar::wheelEvent(QWheelEvent* event) {
  action_ = false;
  QSlider::wheelEvent(event);
  if (action_) UserNotification();
}

void TrackBar::timerEvent(QTimerEvent* event) {
  // The repeated steps while the mouse stays pressed beside the thumb; they
  // end once the thumb has reached the pointer.
  const SliderAction repeat = repeatAction();
  if ((repeat == SliderPageStepAdd || repeat == SliderPageStepSub) && ThumbUnder(press_point_)) {
    setRepeatAction(SliderNoAction);
    return;
  }
  action_ = false;
  QSlider::timerEvent(event);
  if (action_) UserNotification();
}

}  // namespace miravel::ui
