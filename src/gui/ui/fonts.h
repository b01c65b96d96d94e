// SPDX-License-Identifier: GPL-3.0-or-later
// The two fonts of the windows, in the designed face, MS Sans Serif, where the
// system has it (Windows, the only system it is asked on; macOS is asked for
// its TrueType form). It is not available on Linux; Cantarell stands in for it
// there: at a character height of 11 pixels its line height is 13 pixels, and
// at 13 pixels it is 16, the designed line heights, so every designed size
// holds without scaling.
#pragma once

#include <QFont>

namespace miravel::ui {

inline constexpr int kWindowFontPixels = 11;
inline constexpr int kLargerFontPixels = 13;

// The font every control uses unless it is given another.
QFont WindowFont();
// The same face at the larger size (test information, question area, totals).
QFont LargerFont();
// The height of one line of text in `font`: the step between the lines of a
// label, and what a group box and the option group lay out by.
int LineHeight(const QFont& font);

}  // namespace miravel::ui
