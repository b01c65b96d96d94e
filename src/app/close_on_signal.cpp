// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/close_on_signal.h"

#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstddef>

namespace miravel::app {
namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// The end of the pipe that the handler writes to; set before any handler is
// installed and never changed afterwards.
volatile std::sig_atomic_t g_write_end = -1;

// Runs in whatever thread the signal interrupts: only async-signal-safe calls.
void OnTerminationSignal(int signal_number) {
  const int saved_errno = errno;
  const char byte = static_cast<char>(signal_number);
  // The pipe does not block; when it is full, a wake-up is already waiting.
  [[maybe_unused]] const ssize_t written = ::write(g_write_end, &byte, 1);
  errno = saved_errno;
}

bool MakeNonBlockingPipe(int (&ends)[2]) {
  if (::pipe(ends) != 0) return false;
  for (const int fd : ends) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags == -1 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == -1 || ::fcntl(fd, F_SETFD, FD_CLOEXEC) == -1) {
      ::close(ends[0]);
      ::close(ends[1]);
      return false;
    }
  }
  return true;
}

// A dialog opened by a dialog's caller right after the first one closed is
// dismissed as well, a bounded number of times.
constexpr int kDismissRounds = 16;

// Dismisses the modal dialog that is open, if any, and comes back once the
// event loop has gone round (by then the code that opened it has gone on);
// with no modal dialog left, closes the window the way its close box does
// and ends the event loop with status 0.
void CloseWhenNoDialog(const QPointer<QWidget>& window, int rounds_left) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && rounds_left > 0) {
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [window, rounds_left] { CloseWhenNoDialog(window, rounds_left - 1); });
    return;
  }
  if (window) window->close();
  QCoreApplication::exit(0);
}

}  // namespace

bool CloseOnTerminationSignals(QWidget& main_window) {
  int ends[2];
  if (!MakeNonBlockingPipe(ends)) return false;
  const int read_end = ends[0];
  g_write_end = ends[1];

  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  std::array<struct sigaction, kSignals.size()> previous{};
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    if (::sigaction(kSignals[i], &action, &previous[i]) != 0) {
      for (std::size_t j = 0; j < i; ++j) ::sigaction(kSignals[j], &previous[j], nullptr);
      g_write_end = -1;
      ::close(ends[0]);
      ::close(ends[1]);
      return false;
    }
  }

  // The pipe stays open for the life of the process, like the handlers.
  auto* notifier = new QSocketNotifier(read_end, QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [read_end, window = QPointer<QWidget>(&main_window), closing = false]() mutable {
                     char bytes[64];
                     while (::read(read_end, bytes, sizeof bytes) > 0) {
                     }
                     if (closing) return;  // a second signal while closing changes nothing
                     closing = true;
                     CloseWhenNoDialog(window, kDismissRounds);
                   });
  return true;
}

}  // namespace miravel::app

#else  // _WIN32

#include <QCoreApplication>

#include "app/session_end.h"

namespace miravel::app {

bool CloseOnTerminationSignals(QWidget& main_window) {
  // The filter stays installed for the life of the process.
  QCoreApplication::instance()->installNativeEventFilter(new SessionEndFilter(main_window));
  return true;
}

}  // namespace miravel::app

#endif
