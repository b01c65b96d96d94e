// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts in the user's language: the buttons of message boxes, the
// file, save and print dialogs. The texts the program sets itself (window
// titles, the filter, its own captions) are not touched.
#pragma once

#include <QLocale>
#include <QString>

class QTranslator;

namespace miravel::ui {

// Where Qt's catalogues (qtbase_<language>.qm) are looked for: Qt's own
// translations folder (on Debian /usr/share/qt6/translations, package
// qt6-translations-l10n); on Windows the "translations" folder beside the
// program, as the installer puts them there.
QString QtTranslationsFolder();

// Installs Qt's catalogue for `locale` (the first of its interface languages
// that has one) in the application; it stays until the application ends,
// or until the returned translator is deleted. Null, and nothing installed,
// when no catalogue is found (English, or a system without them): Qt then
// speaks English.
QTranslator* InstallQtTranslations(const QLocale& locale = QLocale());

}  // namespace miravel::ui
