// SPDX-License-Identifier: GPL-3.0-or-later
// The report password window: the small dialog in which the teacher types the
// report password. Created hidden at start, right after the main window; shown
// without being modal. OK is its default button (Enter); Cancel, Esc and the
// close box reject it, which hides it and keeps the typed text. The form
// (report_password_dialog.ui) designs the controls, their captions, the
// prompt's buddy and the tab order. The controls keep the program's control
// names as their objectNames (docs/object-names.md).
//
// While a password is checked, and while the window waits after wrong ones,
// OK is disabled and a note beside it says why (showWait); the box and
// Cancel stay usable.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <memory>

#include "ui/controls/edits.h"
#include "ui/controls/mnemonic_label.h"

namespace Ui {
class ReportPasswordDialog;
}

namespace miravel::ui {

class ReportPasswordDialog : public QDialog {
  Q_OBJECT

 public:
  ReportPasswordDialog();
  ~ReportPasswordDialog() override;

  MnemonicLabel* promptLabel;
  PasswordEdit* passwordEdit;
  QPushButton* okButton;
  QPushButton* cancelButton;
  // The note left of OK: what OK waits for; hidden while OK takes a click.
  QLabel* waitLabel;
  // Fires when the note's count of seconds is due to change (single shot).
  QTimer* waitTimer;

  // What OK waits for: nothing (OK enabled, no note), a check under way, or
  // `left` of the wait after wrong passwords, shown in whole seconds
  // counting down (waitTimer is started for the next change).
  enum class Wait { kNone, kChecking, kAfterWrong };
  void showWait(Wait wait, std::chrono::milliseconds left = {});

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<::Ui::ReportPasswordDialog> form_;
  bool placed_ = false;  // centred on the screen at the first showing
};

}  // namespace miravel::ui
