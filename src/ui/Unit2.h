// The report password window: the small dialog in which the teacher types the
// report password. Created hidden at start, right after the main window; shown
// without being modal. OK is its default button (Enter); Cancel, Esc and the
// close box reject it, which hides it and keeps the typed text.
#pragma once

#include <QDialog>
#include <QPushButton>

#include "ui/controls/edits.h"
#include "ui/controls/mnemonic_label.h"

class TPasswordDlg : public QDialog {
  Q_OBJECT

 public:
  TPasswordDlg();

  miravel::ui::MnemonicLabel* Label1;
  miravel::ui::PasswordEdit* Password;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool placed_ = false;  // centred on the screen at the first showing
};
