// SPDX-License-Identifier: GPL-3.0-or-later
// The report password window: the small dialog in which the teacher types the
// report password. Created hidden at start, right after the main window; shown
// without being modal. OK is its default button (Enter); Cancel, Esc and the
// close box reject it, which hides it and keeps the typed text. The controls
// keep the program's control names as their objectNames
// (docs/object-names.md).
#pragma once

#include <QDialog>
#include <QPushButton>

#include "ui/controls/edits.h"
#include "ui/controls/mnemonic_label.h"

namespace miravel::ui {

class ReportPasswordDialog : public QDialog {
  Q_OBJECT

 public:
  ReportPasswordDialog();

  MnemonicLabel* promptLabel;
  PasswordEdit* passwordEdit;
  QPushButton* okButton;
  QPushButton* cancelButton;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool placed_ = false;  // centred on the screen at the first showing
};

}  // namespace miravel::ui
