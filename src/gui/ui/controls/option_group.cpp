// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/option_group.h"

#include <QKeyEvent>
#include <algorithm>

#include "ui/fonts.h"

namespace miravel::ui {

void OptionButton::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool up = key == Qt::Key_Up || key == Qt::Key_Left;
  const bool down = key == Qt::Key_Down || key == Qt::Key_Right;
  const auto* owner = qobject_cast<const OptionGroup*>(parentWidget());
  const int id = owner != nullptr ? owner->options()->id(this) : -1;
  if ((!up && !down) || id < 0) {
    QRadioButton::keyPressEvent(event);
    return;
  }
  // The next option in the column, chosen as by a click, also when this one
  // is not chosen (a radio button alone would only move the focus then).
  QRadioButton* next = owner->option(up ? id - 1 : id + 1);
  if (next == nullptr || !next->isEnabled()) {
    event->ignore();  // the first or the last: nowhere to go
    return;
  }
  event->accept();
  next->click();
  if (owner->option(owner->options()->id(next)) == next)  // still shown after the click's handler
    next->setFocus(up ? Qt::BacktabFocusReason : Qt::TabFocusReason);
}

OptionGroup::OptionGroup(QWidget* parent) : QGroupBox(parent), options_(new QButtonGroup(this)) {
  setAutoFillBackground(true);  // covers what lies behind it
}

QRadioButton* OptionGroup::option(int id) const {
  return id >= 0 && id < count_ ? buttons_[static_cast<std::size_t>(id)] : nullptr;
}

QStringList OptionGroup::optionTexts() const {
  QStringList texts;
  for (int i = 0; i < count_; ++i) texts << buttons_[static_cast<std::size_t>(i)]->text();
  return texts;
}

void OptionGroup::setOptions(const QStringList& texts) {
  checkOption(-1);
  const int count = static_cast<int>(texts.size());
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    OptionButton* b = buttons_[i];
    // A focused option leaves the focus with the window, not with the next
    // control, so that Enter keeps following the default buttons.
    if (b->hasFocus()) window()->setFocus(Qt::OtherFocusReason);
    // Hidden, not deleted: it may be the option whose click is running. The
    // options that stay are only given their new texts.
    if (static_cast<int>(i) >= count) b->hide();
  }
  count_ = count;
  for (int i = 0; i < count_; ++i) {
    if (static_cast<std::size_t>(i) == buttons_.size()) {
      auto* made = new OptionButton(this);
      options_->addButton(made, i);
      // Every check and uncheck, also while the group's own signals are
      // blocked (as when a question's recorded option is shown).
      connect(made, &QAbstractButton::toggled, this, [this] { followChecked(); });
      buttons_.push_back(made);
    }
    OptionButton* b = buttons_[static_cast<std::size_t>(i)];
    if (b->text() != texts[i]) b->setText(texts[i]);
  }
  placeOptions();
  followChecked();
  for (int i = 0; i < count_; ++i) {
    OptionButton* b = buttons_[static_cast<std::size_t>(i)];
    if (b->isHidden()) b->show();
  }
}

void OptionGroup::checkOption(int id) {
  id = std::clamp(id, -1, count_ - 1);
  if (id >= 0) {
    buttons_[static_cast<std::size_t>(id)]->setChecked(true);
    return;
  }
  if (QAbstractButton* checked = options_->checkedButton()) {
    // An exclusive group keeps one option checked; for a moment it is not.
    options_->setExclusive(false);
    checked->setChecked(false);
    options_->setExclusive(true);
  }
}

void OptionGroup::followChecked() {
  const QAbstractButton* stop = options_->checkedButton();
  if (stop == nullptr && count_ > 0) stop = buttons_.front();
  for (OptionButton* b : buttons_) b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

QRect OptionGroup::optionGeometry(QSize size, int line_height, int count, int index) {
  if (count <= 0) return {};
  const int usable = size.height() - line_height - 5;
  const int each = usable / count;
  const int top = index * each + line_height + 1 + (usable % count) / 2;
  return QRect(8, top, size.width() - 10, each);
}

void OptionGroup::placeOptions() {
  const int h = LineHeight(font());
  for (int i = 0; i < count_; ++i)
    buttons_[static_cast<std::size_t>(i)]->setGeometry(optionGeometry(size(), h, count_, i));
}

void OptionGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  placeOptions();
}

void OptionGroup::changeEvent(QEvent* event) {
  QGroupBox::changeEvent(event);
  if (event->type() == QEvent::FontChange) placeOptions();
}

}  // namespace miravel::ui
