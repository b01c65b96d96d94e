// What every control of the windows shares: its alignment in the stacking
// layout of its container, its hint for the status line, and whether it is
// drawn on its container's surface (labels and the gauge) rather than being a
// window of its own. All three are kept as dynamic Qt properties ("align",
// "hint", "graphic") so that any widget can carry them and tests can read them.
#pragma once

#include <QString>

class QWidget;

namespace miravel::ui {

enum class Align { None, Top, Bottom, Client };

// Sets the alignment and lets the container lay out its children again; a
// window being built sets every alignment first (`realign` false) and then
// lays out each container once, so that the designed top edges decide the
// order of the strips.
void SetAlign(QWidget* control, Align align, bool realign = true);
Align GetAlign(const QWidget* control);

void SetHint(QWidget* control, const QString& hint);
QString Hint(const QWidget* control);

// Labels and the gauge: the status line's pointer rule treats them apart.
void MarkGraphic(QWidget* control);
bool IsGraphic(const QWidget* control);

// A container that lays out its aligned children (see containers.h).
class AlignHost {
 public:
  virtual ~AlignHost() = default;
  virtual void Realign() = 0;
};

// Asks the container of `control`, if it lays out its children, to place
// them again. Called by controls that change their own size.
void RealignContainer(QWidget* control);

}  // namespace miravel::ui
