// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/open_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>
#include <utility>

namespace miravel::ui {
namespace {

OpenDialog::Hook& TestHook() {
  static OpenDialog::Hook hook;
  return hook;
}

}  // namespace

OpenDialog::OpenDialog(QWidget* owner, const QString& object_name, const QString& filter)
    : owner_(owner), object_name_(object_name), filter_(filter) {}

OpenDialog::~OpenDialog() = default;

QString OpenDialog::QtNameFilter(const QString& filter) {
  // "description|pattern[;pattern]" -> "description (pattern pattern)"
  const qsizetype bar = filter.indexOf(u'|');
  if (bar < 0) return filter;
  QString patterns = filter.mid(bar + 1);
  patterns.replace(u';', u' ');
  return filter.left(bar) + QStringLiteral(" (") + patterns + u')';
}

bool OpenDialog::Execute() {
  // A new dialog for every opening: nothing picked or typed in an earlier one
  // can then stand in for the name given now. The owner may go while the
  // dialog runs its own event loop, taking the dialog with it.
  QPointer<QFileDialog> dialog = new QFileDialog(owner_);
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

  const bool accepted = TestHook() ? TestHook()(*dialog) : dialog->exec() == QDialog::Accepted;
  QStringList files;
  if (accepted && !dialog.isNull()) files = dialog->selectedFiles();
  delete dialog.data();
  if (files.isEmpty()) return false;
  file_name_ = files.front();
  return true;
}

QString OpenDialog::FileName() const { return file_name_; }

void OpenDialog::SetStartFile(const QString& file) {
  start_file_ = file.isEmpty() ? QString() : QFileInfo(file).absoluteFilePath();
}

void OpenDialog::SetHookForTests(Hook hook) { TestHook() = std::move(hook); }

}  // namespace miravel::ui
