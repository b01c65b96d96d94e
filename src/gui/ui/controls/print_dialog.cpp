// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/print_dialog.h"

#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <utility>

namespace miravel::ui {
namespace {

PrintDialogHook& TestHook() {
  static PrintDialogHook hook;
  return hook;
}

}  // namespace

bool ExecutePrintDialog(QPrinter& printer, QWidget* owner, const QString& title) {
  QPointer<QPrintDialog> dialog = new QPrintDialog(&printer, owner);
  dialog->setObjectName(QStringLiteral("PrintDialog"));
  dialog->setWindowTitle(title);
  dialog->setAccessibleName(title);
  dialog->setModal(true);
  const bool accepted = TestHook() ? TestHook()(*dialog) : dialog->exec() == QDialog::Accepted;
  delete dialog.data();
  return accepted;
}

void SetPrintDialogHookForTests(PrintDialogHook hook) { TestHook() = std::move(hook); }

}  // namespace miravel::ui
