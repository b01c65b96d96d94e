#include "ui/window_frame.h"

#include <QPalette>
#include <QWidget>

namespace miravel::ui {

void SetUpFixedFrame(QWidget& window, Qt::WindowType type, QSize client_size) {
  window.setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  window.setFixedSize(client_size);
  QPalette face = window.palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  window.setPalette(face);
  window.setAutoFillBackground(true);
}

}  // namespace miravel::ui
