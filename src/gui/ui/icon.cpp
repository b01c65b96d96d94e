// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/icon.h"

namespace miravel::ui {
namespace {

// The picture itself, kept as XPM source (drawn by scripts/draw-icon.py).
#include "ui/icons/miravel.xpm"

}  // namespace

QPixmap AppIconPixmap() { return QPixmap(miravel_xpm); }

QIcon AppIcon() { return QIcon(AppIconPixmap()); }

}  // namespace miravel::ui
