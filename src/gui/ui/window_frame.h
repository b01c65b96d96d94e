// The frame of the program's two windows: a fixed client size, a close
// button only (no minimise, maximise or help button), and the button-face
// colour of the palette behind every control.
#pragma once

#include <QSize>
#include <Qt>

class QWidget;

namespace miravel::ui {

// `type` is Qt::Window for the main window, Qt::Dialog for the password window.
void SetUpFixedFrame(QWidget& window, Qt::WindowType type, QSize client_size);

}  // namespace miravel::ui
