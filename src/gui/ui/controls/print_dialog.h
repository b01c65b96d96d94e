// SPDX-License-Identifier: GPL-3.0-or-later
// The system's print dialog, shown modally, with a seam for tests.
#pragma once

#include <QString>
#include <functional>

class QPrintDialog;
class QPrinter;
class QWidget;

namespace miravel::ui {

// Shows the print dialog for `printer`, titled `title` (its caption and its
// name to a screen reader), and returns whether the user chose to print; the
// printer then holds the choices made.
bool ExecutePrintDialog(QPrinter& printer, QWidget* owner, const QString& title);

// Tests answer the dialog through this instead of showing it: the hook gets
// the configured dialog (and through it the printer, which it may send to a
// file) and returns whether it was accepted. An empty function restores the
// real dialog.
using PrintDialogHook = std::function<bool(QPrintDialog& dialog)>;
void SetPrintDialogHookForTests(PrintDialogHook hook);

}  // namespace miravel::ui
