// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: the end of the user's session (log-off, shutdown, restart) closes
// the main window as its close box does, which deletes the answer journal,
// and the program then exits with status 0. It stands in for the
// termination signals of other systems (close_on_signal.h).
#pragma once

#ifdef _WIN32

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWidget>

namespace miravel::app {

// Windows asks every top-level window whether the session may end
// (WM_QUERYENDSESSION), then tells it whether it ends (WM_ENDSESSION). The
// program never holds a session up: it answers yes. When the session does
// end, the process may be ended as soon as the message has been answered,
// so everything is done before that: the modal dialogs that are open are
// dismissed (as Esc would), the window is closed as its close box does, and
// the event loops are told to end with status 0. A session that goes on
// (WM_ENDSESSION with FALSE) changes nothing. Install it with
// QCoreApplication::installNativeEventFilter; `main_window` may be deleted
// first.
class SessionEndFilter : public QAbstractNativeEventFilter {
 public:
  explicit SessionEndFilter(QWidget& main_window) : window_(&main_window) {}

  bool nativeEventFilter(const QByteArray& event_type, void* message, qintptr* result) override;

  // Whether a session end has closed the window.
  bool closed() const { return closed_; }

 private:
  void CloseForSessionEnd();

  QPointer<QWidget> window_;
  bool closed_ = false;
};

}  // namespace miravel::app

#endif  // _WIN32
