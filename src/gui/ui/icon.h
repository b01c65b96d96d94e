// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon: a light-grey cog wheel with concentric rings inside, on
// a transparent ground, 32 x 32 pixels in 16 colours. Both windows and the
// task-bar button show it.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace miravel::ui {

// The icon as the windows take it (QWidget::setWindowIcon).
QIcon AppIcon();
// The same picture as a 32 x 32 pixmap with a transparency mask.
QPixmap AppIconPixmap();

}  // namespace miravel::ui
