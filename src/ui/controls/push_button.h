// A push button with the default and cancel roles of a dialog-style window.
#pragma once

#include <QPushButton>
#include <functional>

namespace miravel::ui {

class PushButton : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(bool Default READ IsDefault WRITE SetDefault)
  Q_PROPERTY(bool Cancel READ IsCancel WRITE SetCancel)

 public:
  explicit PushButton(QWidget* parent = nullptr);

  // A default button is clicked by Enter (the window's rule, see form.h).
  // Setting the flag takes effect at once, also in how the button is drawn.
  void SetDefault(bool value);
  bool IsDefault() const { return default_; }
  // A cancel button is clicked by Esc.
  void SetCancel(bool value) { cancel_ = value; }
  bool IsCancel() const { return cancel_; }

  // The result stored in the window when the button is clicked (0: none).
  void SetModalResult(int result) { modal_result_ = result; }
  int ModalResult() const { return modal_result_; }

  // The click handler. A click by the user runs it through the failure guard;
  // Click() runs it as a plain call, as code calling a handler does.
  std::function<void()> OnClick;
  // Runs before OnClick on every click (the window stores ModalResult there).
  std::function<void(PushButton&)> BeforeClick;
  void Click();

  // Visible and enabled together with all its containers.
  bool CanFocus() const { return isVisible() && isEnabled(); }

 private:
  bool default_ = false;
  bool cancel_ = false;
  int modal_result_ = 0;
};

}  // namespace miravel::ui
