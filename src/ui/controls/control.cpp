#include "ui/controls/control.h"

#include <QVariant>
#include <QWidget>

namespace miravel::ui {

void SetHint(QWidget* control, const QString& hint) { control->setProperty("hint", hint); }

QString Hint(const QWidget* control) { return control->property("hint").toString(); }

void MarkGraphic(QWidget* control) { control->setProperty("graphic", true); }

bool IsGraphic(const QWidget* control) { return control->property("graphic").toBool(); }

}  // namespace miravel::ui
