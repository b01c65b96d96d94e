// SPDX-License-Identifier: GPL-3.0-or-later
// The modal save-file dialog: asks where a file is to be written, proposing a
// name, and asks before an existing file is replaced.
#pragma once

#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

namespace miravel::ui {

class SaveDialog {
 public:
  // `title` names the dialog (its caption, and its name to a screen reader);
  // `filter` in the "description|pattern" form, e.g. "Документ PDF|*.pdf";
  // `suffix` is added to a name typed without one.
  SaveDialog(QWidget* owner, const QString& object_name, const QString& title, const QString& filter,
             const QString& suffix);
  ~SaveDialog();
  SaveDialog(const SaveDialog&) = delete;
  SaveDialog& operator=(const SaveDialog&) = delete;

  // Shows a new dialog modally, proposing `proposed_name` (a name without a
  // folder), and destroys it afterwards; true when the user chose a file. It
  // starts in the folder of the file chosen last (while that folder exists),
  // else in the user's documents folder. The dialog asks before it accepts
  // the name of a file that exists.
  bool Execute(const QString& proposed_name);
  // The chosen file's full name (the last one chosen).
  QString FileName() const;
  // Whether the chosen file existed when the dialog was accepted: its
  // replacement was confirmed in the dialog then. A file that did not exist
  // then was not confirmed, and must not be replaced.
  bool ReplaceConfirmed() const { return replace_confirmed_; }

  // Tests answer the dialog through this instead of showing it: the hook gets
  // the configured dialog, may select a file in it, and returns whether the
  // dialog was accepted. An empty function restores the real dialog.
  using Hook = std::function<bool(QFileDialog& dialog)>;
  static void SetHookForTests(Hook hook);

 private:
  QWidget* owner_;
  QString object_name_;
  QString title_;
  QString filter_;
  QString suffix_;
  QString file_name_;
  bool replace_confirmed_ = false;
};

}  // namespace miravel::ui
