// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/session_end.h"

#ifdef _WIN32

#include <windows.h>

#include <QApplication>
#include <QDialog>

namespace miravel::app {
namespace {

// A dialog's caller may open another one; a bounded number are dismissed.
constexpr int kDismissRounds = 16;

}  // namespace

bool SessionEndFilter::nativeEventFilter(const QByteArray& event_type, void* message, qintptr* result) {
  if (event_type != "windows_generic_MSG" && event_type != "windows_dispatcher_MSG") return false;
  const auto* msg = static_cast<const MSG*>(message);
  switch (msg->message) {
    case WM_QUERYENDSESSION:
      if (result != nullptr) *result = TRUE;  // the session may end
      return true;
    case WM_ENDSESSION:
      if (msg->wParam == FALSE) return false;  // it goes on
      CloseForSessionEnd();
      if (result != nullptr) *result = 0;
      return true;
    default: return false;
  }
}

void SessionEndFilter::CloseForSessionEnd() {
  // Every top-level window is told; the first time closes.
  if (closed_) return;
  closed_ = true;
  // The dialogs' own event loops end when this message has been answered;
  // by then the window must be closed, since the process may end at once.
  for (int round = 0; round < kDismissRounds; ++round) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
    if (QApplication::activeModalWidget() == modal) break;  // it would not go
  }
  if (window_) window_->close();
  QCoreApplication::exit(0);
}

}  // namespace miravel::app

#endif  // _WIN32
