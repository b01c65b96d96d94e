// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace miravel::ui {

QString QtTranslationsFolder() {
#ifdef _WIN32
  // The Qt libraries come beside the program, with their plugins in its
  // folder; Qt's built-in paths name the machine that built them.
  return QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
#else
  return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
}

QTranslator* InstallQtTranslations(const QLocale& locale) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), QtTranslationsFolder()) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

}  // namespace miravel::ui
