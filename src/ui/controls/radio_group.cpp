#include "ui/controls/radio_group.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

#include "ui/controls/guard.h"
#include "ui/fonts.h"

namespace miravel::ui {
namespace {

// Paints the group box in the window's colour: an etched frame whose top edge
// runs through the middle of the caption's first line, and the caption at the
// left, 8 pixels in, on the box's colour.
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

}  // namespace

RadioOption::RadioOption(const QString& text, RadioGroup& group, int index)
    : QRadioButton(text, &group), group_(group), index_(index) {
  setAutoExclusive(false);  // the group keeps the one selection itself
}

void RadioOption::nextCheckState() {
  // A click selects this option through the group; the group sets the marks.
  group_.UserSelect(index_);
}

void RadioOption::keyPressEvent(QKeyEvent* event) {
  // Arrow keys move the selection to the neighbouring option.
  int step = 0;
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
      step = -1;
      break;
    case Qt::Key_Down:
    case Qt::Key_Right:
      step = 1;
      break;
    default:
      QRadioButton::keyPressEvent(event);
      return;
  }
  const int target = index_ + step;
  if (target < 0 || target >= group_.Count()) return;
  group_.Option(target)->setFocus(Qt::TabFocusReason);
  group_.UserSelect(target);
}

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
}

void RadioGroup::ClearItems() {
  for (int i = 0; i < count_; ++i) {
    RadioOption* o = options_[static_cast<std::size_t>(i)];
    // A focused option leaves the focus with the window, not with the next
    // control, so that Enter keeps following the default buttons.
    if (o->hasFocus()) window()->setFocus(Qt::OtherFocusReason);
    // Hidden, not deleted, until an item takes it again: it may be the
    // option whose click is running.
    o->hide();
    o->setChecked(false);
    o->setFocusPolicy(Qt::ClickFocus);
  }
  count_ = 0;
  index_ = -1;
}

void RadioGroup::AddItem(const QString& text) {
  RadioOption* option = nullptr;
  if (static_cast<std::size_t>(count_) < options_.size()) {
    option = options_[static_cast<std::size_t>(count_)];
    option->setText(text);
  } else {
    option = new RadioOption(text, *this, count_);
    options_.push_back(option);
  }
  ++count_;
  PlaceOptions();
  ShowSelection();
  option->show();
}

QStringList RadioGroup::Items() const {
  QStringList items;
  for (int i = 0; i < count_; ++i) items << options_[static_cast<std::size_t>(i)]->text();
  return items;
}

RadioOption* RadioGroup::Option(int index) const {
  return index >= 0 && index < Count() ? options_[static_cast<std::size_t>(index)] : nullptr;
}

void RadioGroup::SetItemIndex(int value) {
  value = std::clamp(value, -1, Count() - 1);
  if (value == index_) return;
  index_ = value;
  ShowSelection();
  if (index_ != -1 && OnClick) OnClick();
}

void RadioGroup::UserSelect(int index) {
  if (index == index_) return;  // a click on the selected option runs nothing
  Guarded([this, index] { SetItemIndex(index); });
}

void RadioGroup::ShowSelection() {
  for (int i = 0; i < Count(); ++i) {
    RadioOption* o = options_[static_cast<std::size_t>(i)];
    o->setChecked(i == index_);
    // Only the selected option is a tab stop.
    o->setFocusPolicy(i == index_ ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

QRect RadioGroup::OptionGeometry(QSize size, int line_height, int count, int index) {
  if (count <= 0) return {};
  const int usable = size.height() - line_height - 5;
  const int each = usable / count;
  const int top = index * each + line_height + 1 + (usable % count) / 2;
  return QRect(8, top, size.width() - 10, each);
}

void RadioGroup::PlaceOptions() {
  const int h = LineHeight(font());
  for (int i = 0; i < Count(); ++i)
    options_[static_cast<std::size_t>(i)]->setGeometry(OptionGeometry(size(), h, Count(), i));
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  PlaceOptions();
}

void RadioGroup::paintEvent(QPaintEvent*) { PaintGroupFrame(*this, title()); }

void RadioGroup::changeEvent(QEvent* event) {
  QGroupBox::changeEvent(event);
  if (event->type() == QEvent::FontChange) PlaceOptions();
}

}  // namespace miravel::ui
