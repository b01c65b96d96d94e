// The report password window: the small dialog in which the teacher types the
// report password. Created hidden at start, right after the main window; shown
// without being modal; closing it (the close box or Cancel) hides it and
// keeps the typed text.
#pragma once

#include "ui/controls/form.h"
#include "ui/controls/label.h"
#include "ui/controls/push_button.h"
#include "ui/controls/edits.h"

class TPasswordDlg : public miravel::ui::Form {
  Q_OBJECT

 public:
  // Results a button stores in the window when clicked.
  static constexpr int kResultOk = 1;
  static constexpr int kResultCancel = 2;

  TPasswordDlg();

  miravel::ui::Label* Label1;
  miravel::ui::PasswordEdit* Password;
  miravel::ui::PushButton* OKBtn;
  miravel::ui::PushButton* CancelBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool placed_ = false;  // centred on the screen at the first showing
};
