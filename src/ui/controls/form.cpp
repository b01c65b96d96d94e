#include "ui/controls/form.h"

#include <QKeyEvent>

#include "ui/controls/push_button.h"

namespace miravel::ui {

Form::Form(const QString& object_name, QSize client_size, bool dialog)
    : QWidget(nullptr, (dialog ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(object_name);
  setFixedSize(client_size);
  // Every container and label paints the button-face colour.
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);
}

QList<PushButton*> Form::Buttons() const { return findChildren<PushButton*>(); }

PushButton* Form::DefaultButtonForEnter() const {
  for (PushButton* b : Buttons())
    if (b->IsDefault() && b->CanFocus()) return b;
  return nullptr;
}

PushButton* Form::CancelButtonForEsc() const {
  for (PushButton* b : Buttons())
    if (b->IsCancel() && b->CanFocus()) return b;
  return nullptr;
}

bool IsPlainEnter(const QKeyEvent& event) {
  if (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter) return false;
  return (event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) ==
         Qt::NoModifier;
}

void Form::keyPressEvent(QKeyEvent* event) {
  // Keys reach the window when the focused control did not take them.
  PushButton* target = nullptr;
  if (IsPlainEnter(*event)) {
    target = DefaultButtonForEnter();
  } else if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    target = CancelButtonForEsc();
  }
  if (target == nullptr) {
    QWidget::keyPressEvent(event);
    return;
  }
  event->accept();
  target->click();  // runs its handler through the failure guard
}

}  // namespace miravel::ui

