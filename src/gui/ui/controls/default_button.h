// SPDX-License-Identifier: GPL-3.0-or-later
// Enter in a window that is no dialog. Qt lets Enter click a default push
// button only in a QDialog (and outside one, a button that is autoDefault
// loses its default flag whenever it loses the focus); the main window is a
// plain window with default buttons of its own, not autoDefault, whose
// keyboard rule is: Enter or Return without Shift, Ctrl or Alt, when the
// focused control did not take it,
// - clicks the focused push button;
// - else clicks the first push button of the window, in the order the
//   controls were made, that is default and visible and enabled with all its
//   containers.
#pragma once

class QKeyEvent;
class QPushButton;
class QWidget;

namespace miravel::ui {

// The button Enter clicks in `window` now, or none.
QPushButton* ButtonForEnter(const QWidget& window);

// True for Enter or Return pressed without Shift, Ctrl or Alt.
bool IsPlainEnter(const QKeyEvent& event);

}  // namespace miravel::ui
