// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_frame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QPalette>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace miravel::ui {
namespace {

// Keeps its window on the screen at the window's first showing, then goes.
// The window's own showEvent runs after this, so a window that places itself
// there (the password window is centred) calls KeepOnScreen again itself.
class FirstShowing : public QObject {
 public:
  explicit FirstShowing(QWidget& window) : QObject(&window) { window.installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched == parent()) {
      KeepOnScreen(*static_cast<QWidget*>(watched));
      watched->removeEventFilter(this);
      deleteLater();
    }
    return false;
  }
};

int Inside(int start, int length, int area_start, int area_length) {
  // Moved back to the area's far edge first, then to its near edge, which
  // wins when the window is longer than the area.
  const int far_edge = area_start + area_length;
  if (start + length > far_edge) start = far_edge - length;
  return std::max(start, area_start);
}

}  // namespace

void SetUpFixedFrame(QWidget& window, Qt::WindowType type, QSize client_size) {
  window.setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  window.setFixedSize(client_size);
  QPalette face = window.palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  window.setPalette(face);
  window.setAutoFillBackground(true);
  new FirstShowing(window);
}

QPoint PlaceInside(const QRect& frame, const QRect& area) {
  return {Inside(frame.x(), frame.width(), area.x(), area.width()),
          Inside(frame.y(), frame.height(), area.y(), area.height())};
}

void KeepOnScreen(QWidget& window) {
  // A window's position (pos) is that of its frame's top left corner, also
  // while it is being shown, when frameGeometry() already has the frame's
  // size but not yet its place.
  const QRect frame(window.pos(), window.frameGeometry().size());
  QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (screen == nullptr) screen = window.screen();
  if (screen == nullptr) return;
  const QPoint corner = PlaceInside(frame, screen->availableGeometry());
  if (corner != frame.topLeft()) window.move(corner);
}

}  // namespace miravel::ui
