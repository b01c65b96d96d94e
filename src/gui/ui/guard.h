// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where a failure inside the program meets the event loop.
//
// Handlers call one another as plain C++ calls; a failure is a C++ exception
// that ends every handler on its way up. Wherever Qt calls into the program
// (a signal, an event override, a timer tick) the call goes through Guarded,
// which catches the failure, shows it in the error box and returns, so the
// event loop goes on and no exception ever crosses Qt's own code.
#pragma once

#include <QString>
#include <functional>
#include <utility>

namespace miravel::ui {

// The application title: the caption of the main window's task-bar button and
// of every error box.
QString ApplicationTitle();

// The error box's text for a failure's message: the message with a full stop
// appended when its last character's code is above that of ".".
QString ErrorBoxText(const QString& message);

// A failure's message as text: UTF-8 where it is valid UTF-8, otherwise read
// as Windows-1251 (a file name from the system may be either).
QString MessageFromBytes(const char* message);

// Shows the error box: the text, the application title as caption, the
// error icon and an OK button; returns when the user has closed it. It is a
// message box (ui/dialogs.h), answered as one.
void ShowErrorBox(const QString& text);

// Runs `handler`; a failure inside it ends it and is shown in the error box.
void Guarded(const std::function<void()>& handler) noexcept;

// A slot for QObject::connect that runs `handler` through Guarded.
template <typename F>
auto GuardedSlot(F handler) {
  return [h = std::move(handler)](auto&&...) { Guarded(h); };
}

}  // namespace miravel::ui
