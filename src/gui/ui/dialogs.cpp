// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QStringList>
#include <utility>

namespace miravel::ui {
namespace {

struct FileAnswers {
  FileDialog::Answer next;
  FileDialog::Answer every;
};

FileAnswers& FileDialogAnswers() {
  static FileAnswers answers;
  return answers;
}

PrintDialog::Answer& PrintDialogAnswer() {
  static PrintDialog::Answer answer;
  return answer;
}

MessageDialog::Answer& MessageDialogAnswer() {
  static MessageDialog::Answer answer;
  return answer;
}

// Shows `made` modally, or has `answer` answer it, and deletes it; whether it
// was accepted, `read` reading what was chosen from it first. The owner may
// go while the dialog runs its own event loop, taking the dialog with it.
template <typename Dialog, typename Read>
bool RunOnce(Dialog* made, const std::function<bool(Dialog&)>& answer, Read read) {
  QPointer<Dialog> dialog = made;
  bool accepted = answer ? answer(*dialog) : dialog->exec() == QDialog::Accepted;
  if (dialog.isNull()) return false;
  if (accepted) read(*dialog);
  delete dialog.data();
  return accepted;
}

// Where the save dialog starts before anything was saved.
QString FirstSaveFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

}  // namespace

// --- the seams ------------------------------------------------------------------

void FileDialog::SetNextFileName(const QString& file) {
  SetNextAnswer([file](QFileDialog& dialog) {
    dialog.selectFile(file);
    return true;
  });
}

void FileDialog::SetNextAnswer(Answer answer) { FileDialogAnswers().next = std::move(answer); }

void FileDialog::SetAnswer(Answer answer) { FileDialogAnswers().every = std::move(answer); }

std::optional<QString> FileDialog::Choose(QFileDialog* dialog) {
  // A next answer answers this dialog only.
  const Answer answer =
      FileDialogAnswers().next ? std::exchange(FileDialogAnswers().next, {}) : FileDialogAnswers().every;
  QStringList files;
  if (!RunOnce(dialog, answer, [&files](QFileDialog& d) { files = d.selectedFiles(); }) || files.isEmpty())
    return std::nullopt;
  return files.front();
}

bool PrintDialog::Execute(QPrinter& printer, QWidget* owner, const QString& title) {
  auto* dialog = new QPrintDialog(&printer, owner);
  dialog->setObjectName(QStringLiteral("PrintDialog"));
  dialog->setWindowTitle(title);
  dialog->setAccessibleName(title);
  dialog->setModal(true);
  return RunOnce(dialog, PrintDialogAnswer(), [](QPrintDialog&) {});
}

void PrintDialog::SetAnswer(Answer answer) { PrintDialogAnswer() = std::move(answer); }

QMessageBox::StandardButton MessageDialog::Show(QMessageBox::Icon icon, const QString& caption, const QString& text,
                                                QMessageBox::StandardButtons buttons, QWidget* owner) {
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setTextFormat(Qt::PlainText);
  if (MessageDialogAnswer()) return MessageDialogAnswer()(box);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void MessageDialog::SetAnswer(Answer answer) { MessageDialogAnswer() = std::move(answer); }

// --- the file dialogs -----------------------------------------------------------

QString QtNameFilter(const QString& filter) {
  // "description|pattern[;pattern]" -> "description (pattern pattern)"
  const qsizetype bar = filter.indexOf(u'|');
  if (bar < 0) return filter;
  QString patterns = filter.mid(bar + 1);
  patterns.replace(u';', u' ');
  return filter.left(bar) + QStringLiteral(" (") + patterns + u')';
}

OpenDialog::OpenDialog(QWidget* owner, const QString& object_name, const QString& filter)
    : owner_(owner), object_name_(object_name), filter_(filter) {}

bool OpenDialog::Execute() {
  // A new dialog for every opening: nothing picked or typed in an earlier one
  // can then stand in for the name given now.
  auto* dialog = new QFileDialog(owner_);
  dialog->setObjectName(object_name_);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::AnyFile);  // single selection; need not exist
  dialog->setNameFilter(QtNameFilter(filter_));
  dialog->setSizeGripEnabled(true);
  dialog->setModal(true);
  // No title of its own. It opens where the last opening ended, in the chosen
  // file's folder; before any, at the start file while it is one; else, or
  // when that folder is gone, where the platform opens it.
  if (!file_name_.isEmpty()) {
    const QFileInfo folder(QFileInfo(file_name_).absolutePath());
    if (folder.isDir()) dialog->setDirectory(folder.absoluteFilePath());
  } else if (!start_file_.isEmpty()) {
    const QFileInfo start(start_file_);
    if (start.isFile()) {
      dialog->setDirectory(start.absolutePath());
      dialog->selectFile(start.absoluteFilePath());
    }
  }
  const std::optional<QString> chosen = FileDialog::Choose(dialog);
  if (!chosen) return false;
  file_name_ = *chosen;
  return true;
}

void OpenDialog::SetStartFile(const QString& file) {
  start_file_ = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
}

SaveDialog::SaveDialog(QWidget* owner, const QString& object_name, const QString& title, const QString& filter,
                       const QString& suffix)
    : owner_(owner), object_name_(object_name), title_(title), filter_(filter), suffix_(suffix) {}

bool SaveDialog::Execute(const QString& proposed_name) {
  auto* dialog = new QFileDialog(owner_);
  dialog->setObjectName(object_name_);
  dialog->setWindowTitle(title_);
  dialog->setAccessibleName(title_);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilter(QtNameFilter(filter_));
  dialog->setDefaultSuffix(suffix_);
  dialog->setOption(QFileDialog::DontConfirmOverwrite, false);  // an existing file is replaced only when confirmed
  dialog->setSizeGripEnabled(true);
  dialog->setModal(true);
  QString folder = FirstSaveFolder();
  if (!file_name_.isEmpty()) {
    const QFileInfo last(QFileInfo(file_name_).absolutePath());
    if (last.isDir()) folder = last.absoluteFilePath();
  }
  dialog->setDirectory(folder);
  dialog->selectFile(proposed_name);
  const std::optional<QString> chosen = FileDialog::Choose(dialog);
  if (!chosen) return false;
  file_name_ = *chosen;
  // What is there now is what the dialog confirmed replacing; a link or
  // anything else in the name's place counts as there.
  replace_confirmed_ = QFileInfo(file_name_).exists() || QFileInfo(file_name_).isSymLink();
  return true;
}

}  // namespace miravel::ui
