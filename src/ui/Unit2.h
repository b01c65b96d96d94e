// The report password window: the small dialog in which the teacher types the
// report password. Created hidden at start, right after the main window; shown
// without being modal; closing it (the close box or Cancel) hides it and
// keeps the typed text.
#pragma once

#include <functional>

#include "ui/controls/form.h"
#include "ui/controls/mnemonic_label.h"
#include "ui/controls/push_button.h"
#include "ui/controls/edits.h"

class TPasswordDlg : public miravel::ui::Form {
  Q_OBJECT

 public:
  // Results a button stores in the window when clicked.
  static constexpr int kResultOk = 1;
  static constexpr int kResultCancel = 2;

  TPasswordDlg();

  miravel::ui::MnemonicLabel* Label1;
  miravel::ui::PasswordEdit* Password;
  miravel::ui::PushButton* OKBtn;
  miravel::ui::PushButton* CancelBtn;

  // Runs when the window is closed (the close box, or Close from code); hiding
  // it does not run it.
  std::function<void()> OnClose;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  bool placed_ = false;  // centred on the screen at the first showing
};
