// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/default_button.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace miravel::ui {

QPushButton* ButtonForEnter(const QWidget& window) {
  if (auto* focused = qobject_cast<QPushButton*>(window.focusWidget())) return focused;
  for (QPushButton* b : window.findChildren<QPushButton*>()) {
    if (b->isDefault() && b->isVisible() && b->isEnabled()) return b;
  }
  return nullptr;
}

bool IsPlainEnter(const QKeyEvent& event) {
  if (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter) return false;
  return (event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == Qt::NoModifier;
}

}  // namespace miravel::ui
