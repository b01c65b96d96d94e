// SPDX-License-Identifier: GPL-3.0-or-later
// How much of a text on the windows its place hides, measured the way the
// control paints it: with its own font, its own line layout (the label's
// lines at its width, word wrap included) and the part of it that can be
// seen inside its containers.
//
// The measure is characters: a character is hidden when any of it lies
// outside the part of the control that can be seen (cut at the right or
// left edge, or on a line cut off at the bottom, even in part). Blanks at
// the end of a line show nothing and are not counted; "&" marks, which show
// as an underline, are not characters of the text.
#pragma once

#include <QRect>

class QRadioButton;
class QWidget;

namespace miravel::ui {
class MnemonicLabel;
}

namespace miravel::fit {

struct TextFit {
  int hidden = 0;  // characters hidden
  int total = 0;  // characters of the text, as laid out
  bool fits() const { return hidden == 0; }
};

// A label of the windows: its lines one line height apart from its top,
// each placed by the label's horizontal alignment.
TextFit MeasureLabel(const ui::MnemonicLabel& label);

// An answer option: its text beside the radio indicator where the style
// puts it, its lines centred as a block on the option's height.
TextFit MeasureOption(const QRadioButton& option);

// The part of `widget` that can be seen inside its containers, up to its
// window, in its own coordinates; empty when none.
QRect VisiblePart(const QWidget& widget);

}  // namespace miravel::fit
