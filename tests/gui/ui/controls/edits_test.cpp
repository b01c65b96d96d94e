// SPDX-License-Identifier: GPL-3.0-or-later
// The upper-casing edit box and the password box: typed and pasted text,
// Latin and Cyrillic, the change notifications and what each box shows.
#include "ui/controls/edits.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

#include "ui_test_support.h"

namespace miravel::ui {
namespace {

using testing_support::Type;

QStringList Texts(const QSignalSpy& spy) {
  QStringList texts;
  for (const QList<QVariant>& args : spy) texts << args.at(0).toString();
  return texts;
}

class EditsTest : public ::testing::Test {
 protected:
  void Show(QWidget& edit) {
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
  }

  // Pastes `text` through the clipboard with Ctrl+V.
  static void Paste(QWidget* edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    ASSERT_EQ(QApplication::clipboard()->text(), text) << "no clipboard on this platform";
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  }
};

TEST_F(EditsTest, UpperCaseEditTurnsTypedLettersToUpperCase) {
  struct Case {
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {
      {"ab-12 Cd", "AB-12 CD"},
      {"ёжик", "ЁЖИК"},
      {"Ёлка и ель", "ЁЛКА И ЕЛЬ"},
      {"пи-21б", "ПИ-21Б"},
      {"mixed Латиница", "MIXED ЛАТИНИЦА"},
  };
  for (const Case& c : cases) {
    UpperCaseEdit edit;
    Show(edit);
    QSignalSpy changed(&edit, &QLineEdit::textChanged);
    const QString typed = QString::fromUtf8(c.typed);
    Type(&edit, typed);
    const QString shown = QString::fromUtf8(c.shown);
    EXPECT_EQ(edit.text(), shown) << c.typed;
    EXPECT_EQ(edit.displayText(), shown) << c.typed;
    // One notification per key, each with the upper-case text so far.
    QStringList expected;
    for (qsizetype i = 1; i <= shown.size(); ++i) expected << shown.left(i);
    EXPECT_EQ(Texts(changed), expected) << c.typed;
  }
}

TEST_F(EditsTest, UpperCaseEditWithKeyClicksAndTheCursorInTheMiddle) {
  UpperCaseEdit edit;
  Show(edit);
  QTest::keyClicks(&edit, "grp");
  EXPECT_EQ(edit.text(), QStringLiteral("GRP"));
  // Type into the middle: the cursor stays where the typing goes on.
  QTest::keyClick(&edit, Qt::Key_Left);
  QTest::keyClick(&edit, Qt::Key_Left);
  QSignalSpy changed(&edit, &QLineEdit::textChanged);
  QTest::keyClicks(&edit, "ab");
  Type(&edit, QStringLiteral("ю"));
  EXPECT_EQ(edit.text(), QStringLiteral("GABЮRP"));
  EXPECT_EQ(edit.cursorPosition(), 4);
  EXPECT_EQ(Texts(changed), (QStringList{QStringLiteral("GARP"), QStringLiteral("GABRP"), QStringLiteral("GABЮRP")}));
}

TEST_F(EditsTest, UpperCaseEditTurnsPastedTextToUpperCaseInOneChange) {
  UpperCaseEdit edit;
  Show(edit);
  QTest::keyClicks(&edit, "x");
  QSignalSpy changed(&edit, &QLineEdit::textChanged);
  Paste(&edit, QStringLiteral("-ёж Hello"));
  EXPECT_EQ(edit.text(), QStringLiteral("X-ЁЖ HELLO"));
  EXPECT_EQ(edit.cursorPosition(), edit.text().size());
  EXPECT_EQ(Texts(changed), QStringList{QStringLiteral("X-ЁЖ HELLO")});
}

TEST_F(EditsTest, UpperCaseEditHasNoLengthLimit) {
  UpperCaseEdit edit;
  const QString longText = QStringLiteral("а").repeated(100000);
  edit.insert(longText);
  EXPECT_EQ(edit.text(), longText.toUpper());
}

TEST_F(EditsTest, PasswordEditShowsOneStarPerCharacter) {
  PasswordEdit edit;
  Show(edit);
  QSignalSpy changed(&edit, &QLineEdit::textChanged);
  QTest::keyClicks(&edit, "40 7");
  Type(&edit, QStringLiteral("пЁ"));
  QTest::keyClicks(&edit, "aB");
  EXPECT_EQ(edit.text(), QStringLiteral("40 7пЁaB"));
  EXPECT_EQ(edit.displayText(), QString(8, QChar('*')));
  EXPECT_EQ(changed.size(), 8);
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.text(), QStringLiteral("40 7пЁa"));
  EXPECT_EQ(edit.displayText(), QString(7, QChar('*')));
  Paste(&edit, QStringLiteral("152"));
  EXPECT_EQ(edit.text(), QStringLiteral("40 7пЁa152"));
  EXPECT_EQ(edit.displayText(), QString(10, QChar('*')));
}

}  // namespace
}  // namespace miravel::ui
