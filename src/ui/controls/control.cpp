#include "ui/controls/control.h"

#include <QVariant>
#include <QWidget>

namespace miravel::ui {

void SetAlign(QWidget* control, Align align, bool realign) {
  control->setProperty("align", static_cast<int>(align));
  if (realign) RealignContainer(control);
}

Align GetAlign(const QWidget* control) {
  const QVariant v = control->property("align");
  return v.isValid() ? static_cast<Align>(v.toInt()) : Align::None;
}

void SetHint(QWidget* control, const QString& hint) { control->setProperty("hint", hint); }

QString Hint(const QWidget* control) { return control->property("hint").toString(); }

void MarkGraphic(QWidget* control) { control->setProperty("graphic", true); }

bool IsGraphic(const QWidget* control) { return control->property("graphic").toBool(); }

void RealignContainer(QWidget* control) {
  if (auto* host = dynamic_cast<AlignHost*>(control->parentWidget())) host->Realign();
}

}  // namespace miravel::ui
