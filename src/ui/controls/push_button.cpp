#include "ui/controls/push_button.h"

#include "ui/controls/guard.h"

namespace miravel::ui {

PushButton::PushButton(QWidget* parent) : QPushButton(parent) {
  // A focused button takes Enter itself.
  setAutoDefault(true);
  setFocusPolicy(Qt::StrongFocus);
  connect(this, &QPushButton::clicked, this, [this] { Guarded([this] { Click(); }); });
}

void PushButton::SetDefault(bool value) {
  default_ = value;
  setDefault(value);
  update();
}

void PushButton::Click() {
  if (BeforeClick) BeforeClick(*this);
  if (OnClick) OnClick();
}

}  // namespace miravel::ui
