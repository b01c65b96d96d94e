// A top-level window of the program: fixed-size dialog frame with a close
// button only, client area of a designed size, and the keyboard rule of
// default and cancel buttons:
// - Enter without Shift, Ctrl or Alt, while the focus is on a control that is
//   not a push button, clicks the first default push button in the window's
//   control order that is visible and enabled with all its containers; while a
//   push button has the focus, Enter clicks that button (the button's own
//   rule);
// - Esc clicks the first such cancel button.
#pragma once

#include <QWidget>

namespace miravel::ui {

class PushButton;

class Form : public QWidget {
  Q_OBJECT

 public:
  // `dialog` gives the window the platform's dialog type (the small password
  // window); the main window is a normal window with the same fixed frame.
  Form(const QString& object_name, QSize client_size, bool dialog);

  // The button Enter would click now, or none.
  PushButton* DefaultButtonForEnter() const;
  PushButton* CancelButtonForEsc() const;

  // The window's result, set by a clicked button's ModalResult.
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }

  // Buttons of the window in control order.
  QList<PushButton*> Buttons() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int modal_result_ = 0;
};

// True for Enter or Return pressed without Shift, Ctrl or Alt.
bool IsPlainEnter(const QKeyEvent& event);

}  // namespace miravel::ui
