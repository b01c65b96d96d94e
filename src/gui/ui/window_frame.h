// SPDX-License-Identifier: GPL-3.0-or-later
// The frame of the program's two windows: a fixed client size, a close
// button only (no minimise, maximise or help button), the button-face
// colour of the palette behind every control, and a place on the screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

class QWidget;

namespace miravel::ui {

// `type` is Qt::Window for the main window, Qt::Dialog for the password
// window. The window also keeps on the screen at its first showing
// (KeepOnScreen).
void SetUpFixedFrame(QWidget& window, Qt::WindowType type, QSize client_size);

// Where the top left corner of a window's `frame` goes so that the window
// lies wholly inside `area`: where it is when it does already, else moved as
// little as needed. A window larger than the area keeps its top left corner
// (the caption bar with the close box) inside it.
QPoint PlaceInside(const QRect& frame, const QRect& area);

// Moves `window` (a shown or showing top-level window) into the part of its
// screen that windows may take (QScreen::availableGeometry: without the
// panels and task bars), frame included as far as the platform knows it, as
// little as needed; a window already inside stays where it is. Its screen is
// the one under the middle of the window, else the one Qt gives it.
void KeepOnScreen(QWidget& window);

}  // namespace miravel::ui
