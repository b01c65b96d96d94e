// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts in the user's language: a message box's buttons and the
// open-file dialog's labels and buttons are Russian under a Russian locale
// and English otherwise, while the dialog's own title and filter stay the
// program's.
#include "ui/qt_translations.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <QWidget>
#include <memory>
#include <ostream>

#include "ui/dialogs.h"

inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace miravel::ui {
namespace {

// What a user reads of Qt's own texts.
struct QtTexts {
  QString cancel, yes, no;  // message box buttons
  QString look_in, file_name, file_type, accept;  // the open-file dialog
  QString title;  // Qt's, as the program sets none
  QString filter;  // the program's own
};

QString LabelText(const QFileDialog& dialog, const char* name) {
  const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
  return label == nullptr ? QStringLiteral("<no %1>").arg(QString::fromLatin1(name)) : label->text();
}

QtTexts Shown() {
  QtTexts texts;
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
  texts.cancel = box.button(QMessageBox::Cancel)->text();
  texts.yes = box.button(QMessageBox::Yes)->text();
  texts.no = box.button(QMessageBox::No)->text();

  // The main window's open dialog, as the program configures it.
  QWidget owner;
  OpenDialog open(&owner, QStringLiteral("OpenDialog1"), QStringLiteral("Файл теста|*.DLL"));
  FileDialog::SetNextAnswer([&](QFileDialog& dialog) {
    texts.look_in = LabelText(dialog, "lookInLabel");
    texts.file_name = LabelText(dialog, "fileNameLabel");
    texts.file_type = LabelText(dialog, "fileTypeLabel");
    const auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    texts.accept = QStringLiteral("<no accept button>");
    if (buttons != nullptr)
      for (QAbstractButton* button : buttons->buttons())
        if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole) texts.accept = button->text();
    texts.title = dialog.windowTitle();
    texts.filter = dialog.nameFilters().value(0);
    return false;
  });
  open.Execute();
  return texts;
}

void ExpectRussian(const QtTexts& t) {
  EXPECT_EQ(t.cancel, QStringLiteral("Отмена"));
  EXPECT_EQ(t.yes, QStringLiteral("&Да"));
  EXPECT_EQ(t.no, QStringLiteral("&Нет"));
  EXPECT_EQ(t.look_in, QStringLiteral("Перейти к:"));
  EXPECT_EQ(t.file_name, QStringLiteral("&Имя файла:"));
  EXPECT_EQ(t.file_type, QStringLiteral("Типы файлов:"));
  EXPECT_EQ(t.accept, QStringLiteral("&Открыть"));
  EXPECT_EQ(t.title, QStringLiteral("Открыть"));  // the dialog has no title of its own
}

void ExpectEnglish(const QtTexts& t) {
  EXPECT_EQ(t.cancel, QStringLiteral("Cancel"));
  EXPECT_EQ(t.yes, QStringLiteral("&Yes"));
  EXPECT_EQ(t.no, QStringLiteral("&No"));
  EXPECT_EQ(t.look_in, QStringLiteral("Look in:"));
  EXPECT_EQ(t.file_name, QStringLiteral("File &name:"));
  EXPECT_EQ(t.file_type, QStringLiteral("Files of type:"));
  EXPECT_EQ(t.accept, QStringLiteral("&Open"));
  EXPECT_EQ(t.title, QStringLiteral("Open"));
}

// The program's own text, in every language.
void ExpectTheProgramsOwn(const QtTexts& t) { EXPECT_EQ(t.filter, QStringLiteral("Файл теста (*.DLL)")); }

TEST(QtTranslations, RussianForARussianLocaleEnglishOnceRemoved) {
  std::unique_ptr<QTranslator> russian(InstallQtTranslations(QLocale(QLocale::Russian, QLocale::Russia)));
  ASSERT_NE(russian, nullptr) << "no qtbase_ru.qm in " << QtTranslationsFolder().toStdString()
                              << " (Debian package qt6-translations-l10n)";
  QtTexts texts = Shown();
  ExpectRussian(texts);
  ExpectTheProgramsOwn(texts);

  russian.reset();  // the translator leaves the application with it
  texts = Shown();
  ExpectEnglish(texts);
  ExpectTheProgramsOwn(texts);
}

TEST(QtTranslations, EnglishForTheCAndEnglishLocales) {
  for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)}) {
    SCOPED_TRACE(locale.name().toStdString());
    const std::unique_ptr<QTranslator> translator(InstallQtTranslations(locale));
    const QtTexts texts = Shown();
    ExpectEnglish(texts);
    ExpectTheProgramsOwn(texts);
  }
}

// As the program starts: the language of the environment's locale (LANG,
// LC_MESSAGES, LC_ALL, LANGUAGE). The test is also run under a Russian and
// under the C locale, each naming the language it must find
// (MIRAVEL_EXPECTED_LANGUAGE, "ru" or "en").
TEST(QtTranslations, FollowTheSystemLocale) {
  const bool russian = QLocale().language() == QLocale::Russian;
  const QString expected = qEnvironmentVariable("MIRAVEL_EXPECTED_LANGUAGE");
  if (!expected.isEmpty()) {
    ASSERT_EQ(russian ? QStringLiteral("ru") : QStringLiteral("en"), expected);
  }
  const std::unique_ptr<QTranslator> translator(InstallQtTranslations());
  const QtTexts texts = Shown();
  if (russian) ExpectRussian(texts);
  else ExpectEnglish(texts);
  ExpectTheProgramsOwn(texts);
}

}  // namespace
}  // namespace miravel::ui
