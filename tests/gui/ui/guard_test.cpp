// SPDX-License-Identifier: GPL-3.0-or-later
// The failure guard: the error box's text for a failure's message, how a
// failure's bytes are read, and that a failure inside a handler called from Qt
// ends up in the error box instead of escaping into the event loop.
#include "ui/guard.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui_test_support.h"

namespace miravel::ui {
namespace {

using testing_support::Box;
using testing_support::BoxRecorder;

const QString kTitle = QStringLiteral("Миравель");

TEST(ErrorBoxTextTest, AppendsAStopOnlyAfterACharacterAboveTheFullStop) {
  struct Case {
    const char* message;  // UTF-8
    const char* shown;
  };
  const Case cases[] = {
      {"", ""},
      {"abc", "abc."},
      {"abc.", "abc."},  // '.' is not above itself
      {"a!", "a!"},  // '!' (33) is below '.' (46)
      {"a-", "a-"},  // '-' (45)
      {"a,", "a,"},  // ',' (44)
      {"a ", "a "},  // a space (32)
      {"a/", "a/."},  // '/' (47), the first code above '.'
      {"Range check error", "Range check error."},
      {"Value must be between 1 and 2147483647", "Value must be between 1 and 2147483647."},
      {"Unable to write to C:\\x.ini", "Unable to write to C:\\x.ini."},
      {"Нет файла", "Нет файла."},  // a Cyrillic last letter
      {"Нет файла.", "Нет файла."},
      {"Вопрос №", "Вопрос №."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorBoxText(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown))
        << "message \"" << c.message << "\"";
  }
}

TEST(GuardedTest, ShowsAFailureMessageInTheErrorBox) {
  struct Case {
    const char* name;
    std::string what;  // the bytes the failure carries
    const char* shown;  // UTF-8
  };
  const std::vector<Case> cases = {
      {"ascii", "Range check error", "Range check error."},
      {"gauge range", "Value must be between 1 and 2147483647", "Value must be between 1 and 2147483647."},
      {"ends in a comma", "a,", "a,"},
      {"empty", "", ""},
      {"utf-8", "Ошибка", "Ошибка."},
      // Bytes that are not UTF-8 are Windows-1251.
      {"windows-1251", "\xCE\xF8\xE8\xE1\xEA\xE0", "Ошибка."},
      {"windows-1251 file name", "Unable to write to C:\\\xCF\xE0\xEF\xEA\xE0\\x.ini",
       "Unable to write to C:\\Папка\\x.ini."},
      // 0xDF alone at the end opens a two-byte UTF-8 sequence that never ends.
      {"windows-1251 last byte", "Unable to write to C:\\\xDF", "Unable to write to C:\\Я."},
  };
  for (const Case& c : cases) {
    BoxRecorder recorder;
    bool after_throw = false;
    Guarded([&] {
      throw std::runtime_error(c.what);
      after_throw = true;  // never reached; shows that the failure ends the handler
    });
    EXPECT_FALSE(after_throw) << c.name;
    ASSERT_EQ(recorder.boxes.size(), 1U) << c.name;
    EXPECT_EQ(recorder.boxes[0].caption, kTitle) << c.name;
    EXPECT_EQ(recorder.boxes[0].text, QString::fromUtf8(c.shown)) << c.name;
  }
}

TEST(GuardedTest, AHandlerWithoutFailureShowsNoBox) {
  BoxRecorder recorder;
  int runs = 0;
  Guarded([&] { ++runs; });
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(recorder.boxes.empty());
}

TEST(GuardedTest, AFailureOfAnyTypeIsShown) {
  BoxRecorder recorder;
  Guarded([] { throw 42; });
  ASSERT_EQ(recorder.boxes.size(), 1U);
  EXPECT_EQ(recorder.boxes[0].caption, kTitle);
  EXPECT_FALSE(recorder.boxes[0].text.isEmpty());
}

TEST(GuardedTest, AFailureOfTheBoxItselfIsSwallowed) {
  // Guarded is noexcept: anything escaping it would end the test program.
  int box_calls = 0;
  MessageDialog::SetAnswer([&](QMessageBox&) -> QMessageBox::StandardButton {
    ++box_calls;
    throw std::runtime_error("box");
  });
  Guarded([] { throw std::runtime_error("first"); });
  MessageDialog::SetAnswer({});
  EXPECT_EQ(box_calls, 1);
}

TEST(GuardedTest, GuardedSlotCatchesAFailureOfASignalHandler) {
  BoxRecorder recorder;
  QTimer source;  // any object with a signal
  int runs = 0;
  QObject::connect(&source, &QTimer::objectNameChanged, GuardedSlot([&] {
    ++runs;
    throw std::out_of_range("Value must be between 1 and 2147483647");
  }));
  source.setObjectName(QStringLiteral("x"));
  source.setObjectName(QStringLiteral("y"));
  EXPECT_EQ(runs, 2);
  ASSERT_EQ(recorder.boxes.size(), 2U);
  EXPECT_EQ(recorder.boxes[1].text, QStringLiteral("Value must be between 1 and 2147483647."));
}

// Unanswered, the real box comes up: modal, with the application title,
// the error icon, only an OK button and the message as plain text.
TEST(GuardedTest, TheRealErrorBoxShowsTheMessage) {
  struct Seen {
    bool found = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
  } seen;
  int polls = 0;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    ++polls;
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen = {true, box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->textFormat()};
      box->button(QMessageBox::Ok)->click();
    } else if (modal != nullptr) {
      modal->close();  // not the expected box; do not hang
    }
  });
  poll.start();
  Guarded([] { throw std::runtime_error("Unable to write to <C:\\a&b>"); });
  poll.stop();

  ASSERT_TRUE(seen.found) << "no message box after " << polls << " polls";
  EXPECT_EQ(seen.title, kTitle);
  EXPECT_EQ(seen.text, QStringLiteral("Unable to write to <C:\\a&b>."));
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(seen.format, Qt::PlainText);
}

}  // namespace
}  // namespace miravel::ui
