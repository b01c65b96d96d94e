// SPDX-License-Identifier: GPL-3.0-or-later
// The modal open-file dialog of the main window.
#pragma once

#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

namespace miravel::ui {

class OpenDialog {
 public:
  // `filter` in the "description|pattern" form, e.g. "Файл теста|*.DLL".
  OpenDialog(QWidget* owner, const QString& object_name, const QString& filter);
  ~OpenDialog();
  OpenDialog(const OpenDialog&) = delete;
  OpenDialog& operator=(const OpenDialog&) = delete;

  // Shows a new dialog modally and destroys it afterwards; true when the user
  // chose a file. A file that does not exist may be named. The dialog starts
  // in the folder of the file chosen last (while that folder exists); before
  // any, at the start file (SetStartFile); else in the platform's folder.
  bool Execute();
  // The chosen file's full name (the last one chosen).
  QString FileName() const;

  // The file the openings start with until one has chosen a file (a test
  // named on the command line): the dialog starts in its folder with it
  // selected, while it is an existing regular file; otherwise the dialog
  // starts as without it. Taken as a full name against the present folder.
  void SetStartFile(const QString& file);

  // Tests answer the dialog through this instead of showing it: the hook gets
  // the configured dialog, may select a file in it, and returns whether the
  // dialog was accepted. An empty function restores the real dialog.
  using Hook = std::function<bool(QFileDialog& dialog)>;
  static void SetHookForTests(Hook hook);

  // The Qt name filter for a "description|pattern" filter.
  static QString QtNameFilter(const QString& filter);

 private:
  QWidget* owner_;
  QString object_name_;
  QString filter_;
  QString file_name_;
  QString start_file_;
};

}  // namespace miravel::ui
