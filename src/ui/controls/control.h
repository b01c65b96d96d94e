// What every control of the windows shares: its hint for the status line,
// and whether it is drawn on its container's surface (labels and the gauge)
// rather than being a window of its own. Both are kept as dynamic Qt
// properties ("hint", "graphic") so that any widget can carry them and tests
// can read them.
#pragma once

#include <QString>

class QWidget;

namespace miravel::ui {

void SetHint(QWidget* control, const QString& hint);
QString Hint(const QWidget* control);

// Labels and the gauge: the status line's pointer rule treats them apart.
void MarkGraphic(QWidget* control);
bool IsGraphic(const QWidget* control);

}  // namespace miravel::ui
