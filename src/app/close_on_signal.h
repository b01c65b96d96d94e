// SPDX-License-Identifier: GPL-3.0-or-later
// Closing the program when the system asks it to: SIGTERM (shutdown, log-out,
// `kill`), SIGINT (Ctrl+C in the terminal it was started from) and SIGHUP
// (that terminal going away) close the main window as its close box does,
// which deletes the answer journal, and the program then exits with status 0.
// On Windows the end of the session does the same.
#pragma once

class QWidget;

namespace miravel::app {

// Routes the three signals into the event loop (the self-pipe trick: the
// handler only writes a byte to a pipe, and a socket notifier reads it in the
// loop). Any modal dialog that is open is dismissed first, as Esc would, so
// that the code which opened it has finished before the window closes; then
// `main_window` is closed and the event loop ends with status 0. Call it once,
// after the QApplication and the window are made; the window must outlive
// the event loop. Returns false, with nothing installed, when the pipe or a
// handler cannot be set up (the signals then keep their default action).
// On Windows, which has no such signals, the end of the user's session
// (log-off, shutdown) closes the window instead (session_end.h).
bool CloseOnTerminationSignals(QWidget& main_window);

}  // namespace miravel::app
