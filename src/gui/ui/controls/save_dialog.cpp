// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/save_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QStringList>
#include <utility>

#include "ui/controls/open_dialog.h"

namespace miravel::ui {
namespace {

SaveDialog::Hook& TestHook() {
  static SaveDialog::Hook hook;
  return hook;
}

// Where the dialog starts before anything was saved.
QString FirstFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

}  // namespace

SaveDialog::SaveDialog(QWidget* owner, const QString& object_name, const QString& title, const QString& filter,
                       const QString& suffix)
    : owner_(owner), object_name_(object_name), title_(title), filter_(filter), suffix_(suffix) {}

SaveDialog::~SaveDialog() = default;

bool SaveDialog::Execute(const QString& proposed_name) {
  // A new dialog every time, as the open dialog does; the owner may go while
  // it runs its own event loop, taking the dialog with it.
  QPointer<QFileDialog> dialog = new QFileDialog(owner_);
  dialog->setObjectName(object_name_);
  dialog->setWindowTitle(title_);
  dialog->setAccessibleName(title_);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilter(OpenDialog::QtNameFilter(filter_));
  dialog->setDefaultSuffix(suffix_);
  dialog->setOption(QFileDialog::DontConfirmOverwrite, false);  // an existing file is replaced only when confirmed
  dialog->setSizeGripEnabled(true);
  dialog->setModal(true);
  QString folder = FirstFolder();
  if (!file_name_.isEmpty()) {
    const QFileInfo last(QFileInfo(file_name_).absolutePath());
    if (last.isDir()) folder = last.absoluteFilePath();
  }
  dialog->setDirectory(folder);
  dialog->selectFile(proposed_name);

  const bool accepted = TestHook() ? TestHook()(*dialog) : dialog->exec() == QDialog::Accepted;
  QStringList files;
  if (accepted && !dialog.isNull()) files = dialog->selectedFiles();
  delete dialog.data();
  if (files.isEmpty()) return false;
  file_name_ = files.front();
  // What is there now is what the dialog confirmed replacing; a link or
  // anything else in the name's place counts as there.
  replace_confirmed_ = QFileInfo(file_name_).exists() || QFileInfo(file_name_).isSymLink();
  return true;
}

QString SaveDialog::FileName() const { return file_name_; }

void SaveDialog::SetHookForTests(Hook hook) { TestHook() = std::move(hook); }

}  // namespace miravel::ui
