// SPDX-License-Identifier: GPL-3.0-or-later
// The program's modal dialogs: the open-file and save-file dialogs, the print
// dialog and the message boxes. Each showing makes a new dialog, shows it
// modally and destroys it afterwards.
//
// Each kind has one seam through which it is answered instead of by the
// user: FileDialog, PrintDialog and MessageDialog. The program's own code never
// sets an answer; the tests do, and the preview tools, which run the main
// window with the test they show, answer its open-file dialog with that test.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <optional>

class QFileDialog;
class QPrintDialog;
class QPrinter;
class QWidget;

namespace miravel::ui {

// Every open-file and save-file dialog goes through Choose.
class FileDialog {
 public:
  // An answer in place of the user's: gets the dialog as the program
  // configured it, may select or type a file in it, and returns whether the
  // dialog was accepted.
  using Answer = std::function<bool(QFileDialog& dialog)>;

  // The next file dialog chooses `file` and is accepted, without being shown.
  static void SetNextFileName(const QString& file);
  // The next file dialog is answered by `answer`, without being shown.
  static void SetNextAnswer(Answer answer);
  // From now on every file dialog that no next answer is waiting for is
  // answered by `answer`; an empty function shows them again.
  static void SetAnswer(Answer answer);

  // Shows `dialog` modally, or has it answered, and deletes it; the first
  // file chosen in it, none when it was cancelled. The dialog's owner may go
  // while the dialog runs its own event loop, taking the dialog with it: then
  // nothing was chosen.
  static std::optional<QString> Choose(QFileDialog* dialog);
};

// The print dialog, with its seam.
class PrintDialog {
 public:
  // Gets the dialog as configured (and through it the printer, which it may
  // send to a file) and returns whether it was accepted.
  using Answer = std::function<bool(QPrintDialog& dialog)>;

  // Shows the print dialog for `printer`, titled `title` (its caption and its
  // name to a screen reader), and returns whether the user chose to print;
  // the printer then holds the choices made.
  static bool Execute(QPrinter& printer, QWidget* owner, const QString& title);

  // From now on every print dialog is answered by `answer`; an empty function
  // shows them again.
  static void SetAnswer(Answer answer);
};

// Every message box goes through Show. (Not "MessageBox": <windows.h> defines
// that name as a macro, which would rename the class in some files only.)
class MessageDialog {
 public:
  // Gets the box as configured and returns the button that closes it.
  using Answer = std::function<QMessageBox::StandardButton(QMessageBox& box)>;

  // Shows a box with `icon`, `caption`, `text` (plain text: a message may
  // hold "<" from a file name) and `buttons` over `owner`; returns the button
  // that closed it once the user has closed it.
  static QMessageBox::StandardButton Show(QMessageBox::Icon icon, const QString& caption, const QString& text,
                                          QMessageBox::StandardButtons buttons, QWidget* owner);

  // From now on every message box is answered by `answer`; an empty function
  // shows them again.
  static void SetAnswer(Answer answer);
};

// The Qt name filter for a "description|pattern[;pattern]" filter.
QString QtNameFilter(const QString& filter);

// The main window's open-file dialog: starts in the folder of the file
// chosen last.
class OpenDialog {
 public:
  // `filter` in the "description|pattern" form, e.g. "Файл теста|*.DLL".
  OpenDialog(QWidget* owner, const QString& object_name, const QString& filter);

  // Shows a new dialog modally and destroys it afterwards; true when the user
  // chose a file. A file that does not exist may be named. The dialog starts
  // in the folder of the file chosen last (while that folder exists); before
  // any, at the start file (SetStartFile); else in the platform's folder.
  bool Execute();
  // The chosen file's full name (the last one chosen).
  QString FileName() const { return file_name_; }

  // The file the openings start with until one has chosen a file (a test
  // named on the command line): the dialog starts in its folder with it
  // selected, while it is an existing regular file; otherwise the dialog
  // starts as without it. Taken as a full name against the present folder.
  void SetStartFile(const QString& file);

 private:
  QWidget* owner_;
  QString object_name_;
  QString filter_;
  QString file_name_;
  QString start_file_;
};

// The save-file dialog: asks where a file is to be written, proposing a name,
// and asks before an existing file is replaced.
class SaveDialog {
 public:
  // `title` names the dialog (its caption, and its name to a screen reader);
  // `filter` in the "description|pattern" form, e.g. "Документ PDF|*.pdf";
  // `suffix` is added to a name typed without one.
  SaveDialog(QWidget* owner, const QString& object_name, const QString& title, const QString& filter,
             const QString& suffix);

  // Shows a new dialog modally, proposing `proposed_name` (a name without a
  // folder), and destroys it afterwards; true when the user chose a file. It
  // starts in the folder of the file chosen last (while that folder exists),
  // else in the user's documents folder. The dialog asks before it accepts
  // the name of a file that exists.
  bool Execute(const QString& proposed_name);
  // The chosen file's full name (the last one chosen).
  QString FileName() const { return file_name_; }
  // Whether the chosen file existed when the dialog was accepted: its
  // replacement was confirmed in the dialog then. A file that did not exist
  // then was not confirmed, and must not be replaced.
  bool ReplaceConfirmed() const { return replace_confirmed_; }

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
