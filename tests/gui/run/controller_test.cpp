// SPDX-License-Identifier: GPL-3.0-or-later
// Whole runs on the real windows: registration, opening, answering, the
// track bar, the countdown and time-out, the report password and the report,
// the answer journal on disk.
#include "run/controller.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include <cstdlib>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "fifo_release.h"
#include "hidden_mark.h"
#include "run_test_support.h"

namespace miravel::run {
namespace {

using namespace testing_support;
using miravel::literals::operator""_w;

const QString kAllAnswered =
    QStringLiteral("Вы ответили на все вопросы! Пригласите преподавателя для просмотра Ваших результатов");
const QString kTimeUp = QStringLiteral("Ваше время истекло. Пригласите преподавателя для просмотра Ваших результатов");
const QString kStudent = QStringLiteral("Иванов Иван\rГР-11");
const QString kNoTest = QStringLiteral("Ошибка открытия теста");
const QString kStars(87, QChar('*'));
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

// --- registration -------------------------------------------------------------

using Registration = RunFixture;

TEST_F(Registration, TheOpenButtonFollowsBothEditBoxes) {
  EXPECT_FALSE(form->openButton->isEnabled());
  ui::testing_support::Type(form->nameEdit, QStringLiteral("Иванов"));
  EXPECT_FALSE(form->openButton->isEnabled());
  ui::testing_support::Type(form->groupEdit, QStringLiteral("гр-11"));
  EXPECT_EQ(form->groupEdit->text(), QStringLiteral("ГР-11"));
  EXPECT_TRUE(form->openButton->isEnabled());
  EXPECT_TRUE(form->openButton->isDefault());
  form->nameEdit->clear();
  EXPECT_FALSE(form->openButton->isEnabled());
  EXPECT_TRUE(form->openButton->isDefault()) << "the default flag stays set";
  form->nameEdit->setText(QStringLiteral("  "));  // spaces count as text
  EXPECT_TRUE(form->openButton->isEnabled());
  EXPECT_FALSE(form->startButton->isEnabled());
}

TEST_F(Registration, EnterOpensTheDialogAndACancelStillStoresNameAndGroup) {
  Register();
  QTest::keyClick(form->groupEdit, Qt::Key_Return);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(run->run().fullName(), W("Иванов Иван"));
  EXPECT_EQ(run->run().group(), W("ГР-11"));
  EXPECT_EQ(form->testNameLabel->text(), QStringLiteral("---тест не выбран---"));
  EXPECT_FALSE(form->startButton->isEnabled());

  // With a test open both Button1 and Button2 are default: Enter in an edit
  // box clicks Button1, which comes first.
  const std::string path = File("t.DLL");
  TestFileBuilder().Header("Т", "О", "К").Plain("Option", "QwCount", "1").Save(path);
  Open(path);
  EXPECT_TRUE(form->startButton->isDefault());
  form->nameEdit->setFocus();
  QTest::keyClick(form->nameEdit, Qt::Key_Return);
  EXPECT_EQ(dialogs, 3);
  EXPECT_TRUE(form->registrationGroup->isVisible()) << "Button2 was not clicked";
  // Emptying an edit box disables Button1 only; Enter then starts the test.
  form->nameEdit->clear();
  QTest::keyClick(form->nameEdit, Qt::Key_Return);
  EXPECT_FALSE(form->registrationGroup->isVisible());
  EXPECT_EQ(run->run().fullName(), W("Иванов Иван")) << "stored at the last click on Button1";
}

// --- opening a test -------------------------------------------------------------

using Opening = RunFixture;

TEST_F(Opening, AFileThatDoesNotExistShowsTheDefaultsAndStartIsEnabled) {
  Register();
  Open(File("нет такого.DLL"));
  for (const ui::MnemonicLabel* l : {form->testNameLabel, form->descriptionLabel, form->commentsLabel})
    EXPECT_EQ(l->text(), kNoTest) << l->objectName().toStdString();
  EXPECT_EQ(form->questionCountLabel->text(), QStringLiteral("00"));
  EXPECT_EQ(form->timeLabel->text(), QStringLiteral("0"));
  EXPECT_EQ(form->timeGauge->maximum(), 0);
  EXPECT_EQ(form->timeGauge->value(), 0);
  EXPECT_TRUE(form->startButton->isEnabled());
  EXPECT_TRUE(form->startButton->isDefault());
  EXPECT_TRUE(boxes.boxes.empty());
}

#ifndef _WIN32
// Only a regular file is read: a FIFO, a device or a folder opens like a
// missing file, at once, and never blocks the window.
TEST_F(Opening, WhatIsNoRegularFileOpensLikeAMissingFileAtOnce) {
  const std::string fifo = File("pipe.DLL");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  stdfs::create_directory(File("folder.DLL"));
  Register();
  for (const std::string& path : {fifo, std::string("/dev/zero"), std::string("/dev/null"), File("folder.DLL")}) {
    const FifoRelease release(fifo);
    QElapsedTimer clock;
    clock.start();
    Open(path);
    const qint64 elapsed = clock.elapsed();
    EXPECT_LT(elapsed, 2000) << path;
    for (const ui::MnemonicLabel* l : {form->testNameLabel, form->descriptionLabel, form->commentsLabel})
      EXPECT_EQ(l->text(), kNoTest) << path << " " << l->objectName().toStdString();
    EXPECT_EQ(form->timeLabel->text(), QStringLiteral("0")) << path;
    EXPECT_TRUE(boxes.boxes.empty()) << path;
  }
}
#endif

TEST_F(Opening, TheHeaderIsDecodedAndASecondOpeningReplacesIt) {
  const std::string first = File("first.DLL");
  TestFileBuilder()
      .Header("История & право", "Древний Египет", "Выберите один вариант")
      .Plain("Option", "QwCount", "0x0A")
      .Plain("Option", "Time", "5")
      .Save(first);
  Register();
  Open(first);
  EXPECT_EQ(form->testNameLabel->text(), QStringLiteral("История & право"));
  EXPECT_EQ(form->descriptionLabel->text(), QStringLiteral("Древний Египет"));
  EXPECT_EQ(form->commentsLabel->text(), QStringLiteral("Выберите один вариант"));
  EXPECT_EQ(form->questionCountLabel->text(), QStringLiteral("0x0A")) << "shown as stored";
  EXPECT_EQ(form->timeLabel->text(), QStringLiteral("5"));
  EXPECT_EQ(run->run().timeLimit(), 5);
  EXPECT_EQ(form->timeGauge->maximum(), 300);
  EXPECT_EQ(form->timeGauge->value(), 300);
  EXPECT_EQ(form->timeGauge->percent(), 100);

  const std::string second = File("second.DLL");
  TestFileBuilder()
      .Header("Физика", "", "Без комментариев")
      .Plain("Option", "QwCount", "много")
      .Plain("Option", "Time", "1")
      .Save(second);
  Open(second);
  EXPECT_EQ(form->testNameLabel->text(), QStringLiteral("Физика"));
  EXPECT_EQ(form->descriptionLabel->text(), QString()) << "present but empty: no default";
  EXPECT_EQ(form->questionCountLabel->text(), QStringLiteral("много"));
  EXPECT_EQ(form->timeGauge->maximum(), 60);
  EXPECT_EQ(run->run().test()->Path(), second);

  // A cancelled opening keeps the test.
  Open("");
  EXPECT_EQ(run->run().test()->Path(), second);
  EXPECT_EQ(form->testNameLabel->text(), QStringLiteral("Физика"));
}

TEST_F(Opening, ATimeTheGaugeCannotTakeStopsTheOpeningAfterTheHeader) {
  struct Case {
    const char* time;
    bool opened_before;  // a good test was open before
  };
  for (const Case& c : {Case{"-1", false}, Case{"-1", true}, Case{"35791395", false}, Case{"35791394", true}}) {
    SCOPED_TRACE(testing::Message() << c.time << (c.opened_before ? " after a test" : ""));
    Restart();
    boxes.boxes.clear();
    Register();
    if (c.opened_before) {
      const std::string good = File("good.DLL");
      TestFileBuilder().Header("Первый", "", "").Plain("Option", "Time", "2").Save(good);
      Open(good);
    }
    form->nameEdit->setText(QStringLiteral("Петров"));
    const std::string bad = File("bad.DLL");
    TestFileBuilder().Header("Второй", "", "").Plain("Option", "Time", c.time).Save(bad);
    Open(bad);

    if (std::string(c.time) == "35791394") {  // the longest time that fits
      EXPECT_TRUE(boxes.boxes.empty());
      EXPECT_EQ(form->timeGauge->maximum(), 2147483640);
      continue;
    }
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Миравель"));
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Value must be between 1 and 2147483647."));
    // The header and the time are the new file's; the gauge and Start are not.
    EXPECT_EQ(form->testNameLabel->text(), QStringLiteral("Второй"));
    EXPECT_EQ(form->timeLabel->text(), QString::fromLatin1(c.time));
    EXPECT_EQ(run->run().test()->Path(), bad);
    EXPECT_EQ(form->timeGauge->maximum(), c.opened_before ? 120 : 100);
    EXPECT_EQ(form->timeGauge->value(), c.opened_before ? 120 : 0);
    EXPECT_EQ(form->startButton->isEnabled(), c.opened_before);
    // Name and group are not stored by the failed click.
    EXPECT_EQ(run->run().fullName(), c.opened_before ? W("Иванов Иван") : Text());
  }
}

// --- answering -------------------------------------------------------------------

class Running : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    path = File("five.DLL");
    TestFileBuilder()
        .Header("Тест", "", "")
        .Plain("Option", "QwCount", "5")
        .Plain("Option", "Time", "1")
        .Questions(5)
        .Save(path);
  }

  std::string path;
};

TEST_F(Running, StartShowsTheFirstQuestion) {
  StartTest(path);
  EXPECT_FALSE(form->registrationGroup->isVisible());
  EXPECT_FALSE(form->testInfoGroup->isVisible());
  EXPECT_FALSE(form->startButton->isVisible());
  EXPECT_TRUE(form->answerButton->isVisible());
  EXPECT_TRUE(form->answerButton->isEnabled());
  EXPECT_EQ(form->answerButton->text(), QStringLiteral("Ответить"));
  EXPECT_TRUE(form->backButton->isVisible());
  EXPECT_FALSE(form->backButton->isEnabled());
  EXPECT_TRUE(form->countdown->isActive());
  EXPECT_EQ(form->questionArea->geometry(), QRect(0, 0, 462, 348));
  EXPECT_EQ(form->questionScale->minimum(), 1);
  EXPECT_EQ(form->questionScale->maximum(), 6);
  EXPECT_EQ(form->questionScale->value(), 1);
  EXPECT_TRUE(form->questionScale->isEnabled());
  EXPECT_EQ(form->questionHeading->text(), QStringLiteral("Вопрос №"));
  EXPECT_EQ(form->questionNumberLabel->text(), QStringLiteral("1"));
  EXPECT_EQ(form->questionLabel->text(), QStringLiteral("Вопрос 1"));
  EXPECT_EQ(form->optionGroup->optionTexts(),
            (QStringList{QStringLiteral("1-0"), QStringLiteral("1-1"), QStringLiteral("1-2"), QStringLiteral("1-3")}));
  EXPECT_EQ(form->optionGroup->options()->checkedId(), -1);
  EXPECT_EQ(form->timeGauge->value(), 60);
  EXPECT_FALSE(stdfs::exists(run->run().journal().Path())) << "nothing recorded yet";
}

TEST_F(Running, TheQuestionAreaTakesNoInputBeforeStart) {
  EXPECT_FALSE(form->questionScale->isEnabled());
  EXPECT_FALSE(form->optionGroup->isEnabled());
  Register();
  Open(path);
  form->groupEdit->setFocus();
  QTest::keyClick(form->groupEdit, Qt::Key_Tab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), form->nameEdit) << "Edit2, Button1, Button2, back to Edit1";
  EXPECT_EQ(form->questionScale->value(), 1);
}

TEST_F(Running, AnswersAreRecordedAndShownAgainWhenTheStudentComesBack) {
  StartTest(path);
  Pick(2);
  EXPECT_TRUE(form->answerButton->isDefault()) << "choosing an option makes Button3 the default";
  Answer();
  EXPECT_EQ(form->questionNumberLabel->text(), QStringLiteral("2"));
  EXPECT_EQ(form->optionGroup->options()->checkedId(), -1);
  EXPECT_TRUE(form->backButton->isEnabled());
  ASSERT_TRUE(stdfs::exists(run->run().journal().Path()));
  EXPECT_EQ(os.hidden.back(), run->run().journal().Path());

  // Enter on the option answers question 2 with option 3.
  Pick(3);
  QTest::keyClick(form->optionGroup->option(3), Qt::Key_Return);
  EXPECT_EQ(form->questionNumberLabel->text(), QStringLiteral("3"));
  // Back from 3 without a choice records "no answer" for 3.
  Back();
  EXPECT_EQ(form->questionNumberLabel->text(), QStringLiteral("2"));
  EXPECT_EQ(form->optionGroup->options()->checkedId(), 3) << "the recorded option is selected again";
  Back();
  EXPECT_EQ(form->optionGroup->options()->checkedId(), 2);
  EXPECT_FALSE(form->backButton->isEnabled()) << "question 1";

  const std::string journal = ReadAll(run->run().journal().Path());
  const auto section = [](int n, const char* question, const char* given, const char* reference, int option) {
    return "[" + W("Вопрос№") + std::to_string(n) + "]\r\n" + W("Текст вопроса=") + W(question) + "\r\n" +
           W("ВариантДан=") + W(given) + "\r\n" + W("ВариантЭталон=") + W(reference) + "\r\n" + W("ВариантДанНомер=") +
           std::to_string(option) + "\r\n";
  };
  // The right options are not in the file.
  EXPECT_EQ(journal, section(1, "Вопрос 1", "1-2", "", 2) + section(2, "Вопрос 2", "2-3", "", 3) +
                         section(3, "Вопрос 3", "нет ответа", "", -1));
  // Answering question 1 again overwrites its record.
  Pick(1);
  Answer();
  EXPECT_NE(ReadAll(run->run().journal().Path()).find(W("ВариантДан=1-1")), std::string::npos);
}

TEST_F(Running, DraggingTheThumbShowsEveryQuestionAndTheEndEndsTheTestUnrecorded) {
  StartTest(path);
  Pick(1);  // chosen but never confirmed
  std::vector<QString> shown;
  // What the screen shows after each run of the track bar's handler.
  QObject::connect(form->questionScale, &ui::TrackBar::positionNotified, form->questionScale, [&] {
    shown.push_back(form->questionNumberLabel->isVisible() ? form->questionNumberLabel->text() : QStringLiteral("end"));
  });
  const QRect thumb = ui::testing_support::ThumbRect(*form->questionScale);
  const int y = thumb.center().y();
  QTest::mousePress(form->questionScale, Qt::LeftButton, Qt::NoModifier, thumb.center());
  for (int x = thumb.center().x(); x < form->questionScale->width(); x += 2)
    QTest::mouseMove(form->questionScale, {x, y});
  QTest::mouseRelease(form->questionScale, Qt::LeftButton, Qt::NoModifier, {form->questionScale->width() - 1, y});
  shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
  EXPECT_EQ(shown, (std::vector<QString>{"2", "3", "4", "5", "end"}));

  EXPECT_EQ(form->questionScale->value(), 6);
  EXPECT_FALSE(form->questionScale->isEnabled());
  EXPECT_EQ(form->questionLabel->text(), kAllAnswered);
  EXPECT_EQ(form->questionHeading->text(), kStudent);
  EXPECT_EQ(form->questionHeading->height(), 32) << "name and group on two lines";
  EXPECT_FALSE(form->questionNumberLabel->isVisible());
  EXPECT_FALSE(form->optionGroup->isVisible());
  EXPECT_EQ(form->answerButton->text(), QStringLiteral("Отчет"));
  EXPECT_TRUE(form->answerButton->isEnabled());
  EXPECT_FALSE(form->backButton->isEnabled());
  EXPECT_FALSE(form->countdown->isActive());
  EXPECT_FALSE(stdfs::exists(run->run().journal().Path())) << "moving the track bar records nothing";
}

TEST_F(Running, TheKeysMoveTheTrackBarWithoutRecording) {
  StartTest(path);
  form->questionScale->setFocus();
  QTest::keyClick(form->questionScale, Qt::Key_PageDown);  // +2 on this track bar
  EXPECT_EQ(form->questionNumberLabel->text(), QStringLiteral("3"));
  QTest::keyClick(form->questionScale, Qt::Key_Left);
  EXPECT_EQ(form->questionNumberLabel->text(), QStringLiteral("2"));
  EXPECT_TRUE(form->backButton->isEnabled());
  QTest::keyClick(form->questionScale, Qt::Key_Home);
  EXPECT_EQ(form->questionNumberLabel->text(), QStringLiteral("1"));
  EXPECT_FALSE(form->backButton->isEnabled());
  EXPECT_FALSE(stdfs::exists(run->run().journal().Path()));
}

TEST_F(Running, TheLastAnswerShowsTheEndScreenAndTheGaugeStops) {
  StartTest(path);
  Ticks(3);
  for (int n = 1; n <= 5; ++n) {
    Pick(n % 4);
    Answer();
  }
  EXPECT_EQ(form->questionLabel->text(), kAllAnswered);
  EXPECT_EQ(form->answerButton->text(), QStringLiteral("Отчет"));
  EXPECT_TRUE(form->answerButton->isEnabled());
  EXPECT_FALSE(form->countdown->isActive());
  EXPECT_EQ(form->timeGauge->value(), 57);
  EXPECT_FALSE(dlg->isVisible());
}

TEST_F(Running, ATestWithoutAQuestionCountEndsOnlyByTimeOut) {
  for (const char* count : std::initializer_list<const char*>{"0", nullptr}) {
    SCOPED_TRACE(count ? count : "missing");
    Restart();
    const std::string empty = File("empty.DLL");
    TestFileBuilder b;
    b.Header("Пусто", "", "").Plain("Option", "Time", "0");
    if (count) b.Plain("Option", "QwCount", count);
    b.Save(empty);
    StartTest(empty);
    EXPECT_EQ(form->questionScale->maximum(), 1);
    EXPECT_EQ(form->questionNumberLabel->text(), QStringLiteral("1"));
    EXPECT_EQ(form->questionLabel->text(), QString()) << "no question 1 in the file";
    EXPECT_EQ(form->optionGroup->optionTexts(), QStringList(4, QString()));
    Pick(0);
    Answer();
    EXPECT_EQ(form->questionScale->value(), 1) << "recorded, and the position stays";
    EXPECT_EQ(form->answerButton->text(), QStringLiteral("Ответить"));
    EXPECT_NE(ReadAll(run->run().journal().Path()).find(W("Текст вопроса=НЕТ")), std::string::npos);
    Ticks(1);
    EXPECT_EQ(form->questionLabel->text(), kTimeUp);
    EXPECT_TRUE(dlg->isVisible());
  }
}

// --- the countdown and the time-out -------------------------------------------------

using TimeOut = Running;

TEST_F(TimeOut, ATimeOfZeroEndsTheTestWithTheFirstRealTickASecondAfterStart) {
  const std::string zero = File("zero.DLL");
  TestFileBuilder().Plain("Option", "QwCount", "5").Questions(5).Save(zero);
  QElapsedTimer clock;
  StartTest(zero, /*real_timer=*/true);
  clock.start();
  EXPECT_EQ(form->timeGauge->percent(), 0);
  ASSERT_TRUE(QTest::qWaitFor([this] { return dlg->isVisible(); }, 5000));
  EXPECT_GE(clock.elapsed(), 900);
  EXPECT_EQ(form->questionLabel->text(), kTimeUp);
  EXPECT_FALSE(form->countdown->isActive());
}

TEST_F(TimeOut, TheGaugeLosesOneATickAndTheTimeOutComesOnTheTickAfterEmpty) {
  StartTest(path);  // one minute
  Ticks(59);
  EXPECT_EQ(form->timeGauge->value(), 1);
  Ticks(1);
  EXPECT_EQ(form->timeGauge->value(), 0);
  EXPECT_EQ(form->timeGauge->percent(), 0);
  EXPECT_FALSE(dlg->isVisible()) << "the gauge shows empty for one tick";
  Ticks(1);
  EXPECT_TRUE(dlg->isVisible());
}

TEST_F(TimeOut, OnAQuestionBelowTheCountTheThumbStandsOneFurther) {
  StartTest(path);
  Pick(0);
  Answer();
  Pick(3);  // on question 2, not confirmed
  Ticks(61);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(form->questionLabel->text(), kTimeUp);
  EXPECT_EQ(form->questionHeading->text(), kStudent);
  EXPECT_FALSE(form->questionNumberLabel->isVisible());
  EXPECT_FALSE(form->optionGroup->isVisible());
  EXPECT_EQ(form->questionScale->value(), 3);
  EXPECT_FALSE(form->questionScale->isEnabled());
  EXPECT_EQ(form->answerButton->text(), QStringLiteral("Отчет"));
  EXPECT_FALSE(form->answerButton->isEnabled());
  EXPECT_FALSE(form->backButton->isEnabled());
  EXPECT_FALSE(form->countdown->isActive());
  EXPECT_EQ(ReadAll(run->run().journal().Path()).find(W("[Вопрос№2]")), std::string::npos)
      << "the choice on question 2 was not confirmed";
}

TEST_F(TimeOut, OnTheLastQuestionTheEndStepsRunFirstAndTheTimeOutMessageWins) {
  StartTest(path);
  form->questionScale->setValue(5);
  Ticks(61);
  EXPECT_EQ(form->questionScale->value(), 6);
  EXPECT_EQ(form->questionLabel->text(), kTimeUp);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_FALSE(form->answerButton->isEnabled());
}

// --- the report ---------------------------------------------------------------------

class Report : public Running {
 protected:
  // Answers questions 1..answered of the five, the first `right` of them
  // right, and passes the rest without answering.
  void AnswerSome(int answered, int right) {
    StartTest(path);
    for (int n = 1; n <= answered; ++n) {
      Pick(n <= right ? n % 4 : (n + 1) % 4);
      Answer();
    }
  }
  std::vector<std::pair<QString, QColor>> Lines() const {
    std::vector<std::pair<QString, QColor>> lines;
    for (int i = 0; i < form->reportBox->lineCount(); ++i)
      lines.emplace_back(form->reportBox->lineText(i), form->reportBox->lineColor(i));
    return lines;
  }
};

TEST_F(Report, TheRightPasswordShowsTheGradedReportAndTheTotals) {
  AnswerSome(5, 3);
  EXPECT_EQ(form->questionLabel->text(), kAllAnswered);
  Answer();  // "Отчет"
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_FALSE(form->answerButton->isEnabled());
  EXPECT_EQ(form->questionScale->value(), 6);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), dlg->passwordEdit);
  TypePassword(QStringLiteral("407152"));

  EXPECT_FALSE(dlg->isVisible());
  EXPECT_TRUE(form->reportBox->isVisible());
  EXPECT_EQ(form->reportBox->geometry(), QRect(0, 156, 462, 192));
  EXPECT_EQ(form->questionLabel->text(), QStringLiteral("Итого:"));
  EXPECT_EQ(form->questionLabel->alignment(), Qt::AlignLeft | Qt::AlignTop);
  EXPECT_TRUE(form->rightTotalLabel->isVisible());
  EXPECT_TRUE(form->wrongTotalLabel->isVisible());
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 3"));
  EXPECT_EQ(form->wrongTotalLabel->text(), QStringLiteral("Неправильных ответов: 2"));
  EXPECT_FALSE(form->journalChangedLabel->isVisible()) << "nobody changed the journal";
  EXPECT_EQ(run->run().rightCount(), 3);
  EXPECT_FALSE(form->answerButton->isEnabled()) << "the report is written once";
  EXPECT_FALSE(form->backButton->isEnabled());

  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3U * 3 + 6U * 2);
  for (int n = 1; n <= 3; ++n) {
    const std::size_t at = static_cast<std::size_t>(3 * (n - 1));
    EXPECT_EQ(lines[at].first, QStringLiteral("ВОПРОС № %1 ---ВЕРНО--- ").arg(n));
    EXPECT_EQ(lines[at + 1].first, QString());
    EXPECT_EQ(lines[at + 2].first, kStars);
    for (std::size_t i = at; i < at + 3; ++i) EXPECT_EQ(lines[i].second, kBlue) << i;
  }
  const std::vector<QString> wrong4 = {QStringLiteral("ВОПРОС № 4 ---ОШИБКА---"),
                                       QStringLiteral("Вопрос 4"),
                                       QStringLiteral("Вы ответили: 4-1"),
                                       QStringLiteral("Правильный вариант 4-0"),
                                       QString(),
                                       kStars};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(lines[9 + i].first, wrong4[i]) << i;
    EXPECT_EQ(lines[9 + i].second, kRed) << i;
  }
  EXPECT_EQ(lines[15].first, QStringLiteral("ВОПРОС № 5 ---ОШИБКА---"));
}

TEST_F(Report, TwoQuestionsOneRightOneNeverRecorded) {
  const std::string two = File("two.DLL");
  TestFileBuilder().Plain("Option", "QwCount", "2").Plain("Option", "Time", "1").Questions(2).Save(two);
  StartTest(two);
  Pick(1);
  Answer();
  Ticks(61);  // time out on question 2
  TypePassword(QStringLiteral("407152"));
  const QString missing = QStringLiteral("Нет ответа. Время закончилось");
  const std::vector<std::pair<QString, QColor>> want = {
      {QStringLiteral("ВОПРОС № 1 ---ВЕРНО--- "), kBlue},
      {QString(), kBlue},
      {kStars, kBlue},
      {QStringLiteral("ВОПРОС № 2 ---ОШИБКА---"), kRed},
      {missing, kRed},
      {QStringLiteral("Вы ответили: ") + missing, kRed},
      {QStringLiteral("Правильный вариант ") + missing, kRed},
      {QString(), kRed},
      {kStars, kRed},
  };
  EXPECT_EQ(Lines(), want);
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 1"));
  EXPECT_EQ(form->wrongTotalLabel->text(), QStringLiteral("Неправильных ответов: 1"));
}

TEST_F(Report, WithoutAnyAnswerEveryQuestionIsAnUnexpectedError) {
  StartTest(path);
  Ticks(61);
  TypePassword(QStringLiteral("407152"));
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 30U);
  EXPECT_EQ(lines[1].first, QStringLiteral("Непредвиденная ошибка"));
  EXPECT_EQ(lines[2].first, QStringLiteral("Вы ответили: Непредвиденная ошибка"));
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 0"));
  EXPECT_EQ(form->wrongTotalLabel->text(), QStringLiteral("Неправильных ответов: 5"));
}

TEST_F(Report, AWrongPasswordRecordsTheAnswerShownAndMovesOn) {
  AnswerSome(2, 2);
  Ticks(61);  // on question 3: the thumb stands at 4
  ASSERT_TRUE(dlg->isVisible());
  for (const QString& wrong :
       {QStringLiteral("407152 "), QStringLiteral(" 407152"), QString(), QStringLiteral("4071520")}) {
    TypePassword(wrong);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->passwordEdit->text(), wrong) << "the typed text stays";
    EXPECT_FALSE(form->reportBox->isVisible());
    EXPECT_FALSE(form->rightTotalLabel->isVisible());
  }
  // The first wrong one recorded question 4 (shown, unanswered, in the hidden
  // option group) and moved to 5; the second recorded 5 and reached the end;
  // the others recorded the end position, which changes nothing on screen.
  const std::string journal = ReadAll(run->run().journal().Path());
  EXPECT_NE(journal.find(W("[Вопрос№4]")), std::string::npos);
  EXPECT_NE(journal.find(W("[Вопрос№5]")), std::string::npos);
  EXPECT_EQ(form->questionScale->value(), 6);
  EXPECT_EQ(form->questionLabel->text(), kAllAnswered);
  TypePassword(QStringLiteral("407152"));
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 2"));
}

TEST_F(Report, FromTheFifthWrongPasswordOkWaitsWithANoteAndTheWindowStaysUsable) {
  AnswerSome(5, 5);
  Answer();  // "Отчет"
  for (int i = 0; i < 4; ++i) {
    TypePassword(QStringLiteral("1"));
    EXPECT_TRUE(dlg->okButton->isEnabled()) << "no wait after the first four";
    EXPECT_FALSE(dlg->waitLabel->isVisible());
  }
  TypePassword(QStringLiteral("2"));  // the fifth: 1 s
  EXPECT_FALSE(dlg->okButton->isEnabled());
  EXPECT_TRUE(dlg->waitLabel->isVisible());
  EXPECT_EQ(dlg->waitLabel->text(), QStringLiteral("Ждите 1 с"));
  EXPECT_EQ(dlg->okButton->toolTip(), QStringLiteral("Ждите 1 с")) << "what a screen reader says of OK";
  EXPECT_EQ(dlg->promptLabel->text(), QStringLiteral("Введите пароль"));
  // Meanwhile the box takes typing, Enter takes nothing, and Cancel works.
  TypePassword(QStringLiteral("407152"));
  EXPECT_EQ(dlg->passwordEdit->text(), QStringLiteral("407152"));
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_FALSE(form->reportBox->isVisible());
  QTest::mouseClick(dlg->cancelButton, Qt::LeftButton);
  EXPECT_FALSE(dlg->isVisible());
  Answer();  // asked for again: the wait goes on
  EXPECT_FALSE(dlg->okButton->isEnabled());
  EXPECT_TRUE(QTest::qWaitFor([this] { return dlg->okButton->isEnabled(); }, 3000));
  EXPECT_FALSE(dlg->waitLabel->isVisible());
  // The sixth wrong one waits 2 s, counted down.
  TypePassword(QStringLiteral("3"));
  EXPECT_EQ(dlg->waitLabel->text(), QStringLiteral("Ждите 2 с"));
  EXPECT_TRUE(QTest::qWaitFor([this] { return dlg->waitLabel->text() == QStringLiteral("Ждите 1 с"); }, 2000));
  EXPECT_FALSE(dlg->okButton->isEnabled());
  EXPECT_TRUE(QTest::qWaitFor([this] { return dlg->okButton->isEnabled(); }, 2000));
  // The right one, once the wait is over, opens the report at once.
  TypePassword(QStringLiteral("407152"));
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 5"));
}

TEST_F(Report, ClosingThePasswordWindowLetsTheTeacherAskAgain) {
  AnswerSome(5, 5);
  Answer();  // "Отчет"
  struct Way {
    const char* name;
    std::function<void()> close;
  };
  const std::vector<Way> ways = {
      {"Cancel", [this] { QTest::mouseClick(dlg->cancelButton, Qt::LeftButton); }},
      {"Esc", [this] { QTest::keyClick(dlg->passwordEdit, Qt::Key_Escape); }},
      {"close box", [this] { dlg->close(); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    ASSERT_TRUE(dlg->isVisible());
    way.close();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(form->answerButton->isEnabled()) << "the report can be asked for again";
    EXPECT_FALSE(form->reportBox->isVisible());
    Answer();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(form->answerButton->isEnabled());
    EXPECT_EQ(form->questionScale->value(), 6);
    EXPECT_EQ(form->questionLabel->text(), kAllAnswered);
  }
  TypePassword(QStringLiteral("407152"));
  EXPECT_FALSE(form->answerButton->isEnabled()) << "the report is shown: nothing to ask for";
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 5"));
  EXPECT_EQ(form->reportBox->lineCount(), 15);
}

TEST_F(Report, AskingAgainAfterATimeOutMovesNothing) {
  AnswerSome(1, 1);
  Ticks(61);  // on question 2: the thumb stands at 3, question 3 in the hidden group
  QTest::mouseClick(dlg->cancelButton, Qt::LeftButton);
  const QString journal_before = QString::fromStdString(ReadAll(run->run().journal().Path()));
  Answer();
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(form->questionScale->value(), 3);
  EXPECT_EQ(form->questionLabel->text(), kTimeUp);
  EXPECT_EQ(QString::fromStdString(ReadAll(run->run().journal().Path())), journal_before);
}

TEST_F(Report, ANegativeOrMissingQuestionCountFailsTheReport) {
  for (const char* count : std::initializer_list<const char*>{"-1", nullptr}) {
    SCOPED_TRACE(count ? count : "missing");
    Restart();
    boxes.boxes.clear();
    const std::string bad = File("bad.DLL");
    TestFileBuilder b;
    b.Plain("Option", "Time", "1").Questions(2);
    if (count) b.Plain("Option", "QwCount", count);
    b.Save(bad);
    StartTest(bad);
    Pick(1);
    Answer();
    if (count) {
      // Below 0 the track bar keeps its maximum of 10 and the next position ends the test.
      EXPECT_EQ(form->questionScale->maximum(), 10);
      EXPECT_EQ(form->questionLabel->text(), kAllAnswered);
      Answer();
    } else {
      Ticks(61);
    }
    TypePassword(QStringLiteral("407152"));
    ASSERT_EQ(boxes.boxes.size(), 1U);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Range check error."));
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(form->reportBox->isVisible());
    EXPECT_EQ(form->reportBox->lineCount(), 0);
    EXPECT_FALSE(form->rightTotalLabel->isVisible());
    EXPECT_FALSE(form->wrongTotalLabel->isVisible());
    EXPECT_NE(form->questionLabel->text(), QStringLiteral("Итого:"));
    EXPECT_EQ(form->questionLabel->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    EXPECT_EQ(run->run().rightCount(), 0);
  }
}

TEST_F(Report, ACountOfZeroGivesAnEmptyReportAndZeroTotals) {
  const std::string zero = File("zero.DLL");
  TestFileBuilder().Plain("Option", "QwCount", "0").Plain("Option", "Time", "1").Save(zero);
  StartTest(zero);
  Ticks(61);
  TypePassword(QStringLiteral("407152"));
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(form->reportBox->lineCount(), 0);
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 0"));
  EXPECT_EQ(form->wrongTotalLabel->text(), QStringLiteral("Неправильных ответов: 0"));
}

TEST_F(Report, ATestClaimingBillionsOfQuestionsFillsTheBoxAndStops) {
  const std::string huge = File("huge.DLL");
  TestFileBuilder().Plain("Option", "QwCount", "2147483647").Plain("Option", "Time", "1").Questions(3).Save(huge);
  StartTest(huge);
  EXPECT_EQ(form->questionScale->maximum(), 10) << "count + 1 wraps round and is ignored";
  Pick(1);
  Answer();
  Ticks(61);
  form->reportBox->setCapacity(1000);
  TypePassword(QStringLiteral("407152"));
  ASSERT_EQ(boxes.boxes.size(), 1U);
  EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("RichEdit line insertion error."));
  EXPECT_EQ(form->reportBox->lineCount(), 1000);
  EXPECT_EQ(form->reportBox->lineText(0), QStringLiteral("ВОПРОС № 1 ---ВЕРНО--- "));
  EXPECT_EQ(run->run().rightCount(), 1);
  EXPECT_FALSE(form->rightTotalLabel->isVisible()) << "the totals are not shown";
}

// --- the journal on disk ------------------------------------------------------------

using JournalFile = Running;

TEST_F(JournalFile, AJournalThatCannotBeWrittenStopsTheStepAndLosesNothing) {
  StartTest(path);
  Pick(1);
  Answer();
  const std::string recorded = ReadAll(run->run().journal().Path());
  // The profile folder goes away and a file takes its name: no one, not
  // even the superuser, can write the journal there now.
  const stdfs::path home = dir / "home";
  stdfs::rename(home, dir / "away");
  std::ofstream(home.string()) << "x";
  Pick(2);
  Answer();
  ASSERT_EQ(boxes.boxes.size(), 1U);
  EXPECT_EQ(boxes.boxes[0].text, QString::fromStdString("Unable to write to " + run->run().journal().Path() + "."));
  EXPECT_EQ(form->questionScale->value(), 2) << "the track bar did not move";
  EXPECT_EQ(form->optionGroup->options()->checkedId(), 2) << "the choice is still on screen";
  Back();
  EXPECT_EQ(boxes.boxes.size(), 2U);
  EXPECT_EQ(form->questionScale->value(), 2);

  stdfs::remove(home);
  stdfs::rename(dir / "away", home);
  EXPECT_EQ(ReadAll(run->run().journal().Path()), recorded) << "the earlier answer is kept";
  Answer();
  EXPECT_EQ(form->questionScale->value(), 3);
  EXPECT_EQ(boxes.boxes.size(), 2U);
}

TEST_F(JournalFile, IsDeletedWhenTheMainWindowCloses) {
  StartTest(path);
  Pick(0);
  Answer();
  const std::string journal = run->run().journal().Path();
  ASSERT_TRUE(stdfs::exists(journal));
  EXPECT_EQ(stdfs::path(journal).parent_path(), dir / "home");
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(stdfs::exists(journal));
  // No journal yet: closing deletes nothing and is not refused.
  Restart();
  EXPECT_TRUE(form->close());
}

TEST_F(JournalFile, ADateFormWithSlashesStillNamesAFileInTheProfileFolder) {
  os.date = "12/10/26";
  Restart();
  EXPECT_EQ(run->run().journal().Path(), (dir / "home" / "tmp12.10.267.ini").string());
  StartTest(path);
  Pick(0);
  Answer();
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_TRUE(stdfs::exists(run->run().journal().Path()));
}

#ifdef _WIN32
// The windows on the system itself, nothing faked: the journal is created
// exclusively in the user's profile folder under today's short date, hidden
// after each answer, and deleted when the window closes.
TEST_F(JournalFile, OnTheSystemItselfTheJournalIsHiddenInTheProfileFolderUnderTodaysDate) {
  os::Services& system = os::System();
  Restart(system);

  const std::string folder = system.ProfileFolder();
  ASSERT_FALSE(folder.empty());
  const char* profile = std::getenv("USERPROFILE");
  ASSERT_NE(profile, nullptr);
  EXPECT_TRUE(cp1251::EqualsIgnoringCase(folder, profile)) << folder << " / " << profile;
  const std::string journal = run->run().journal().Path();
  const std::string date = system.ShortDateText();
  ASSERT_FALSE(date.empty());
  EXPECT_EQ(journal.substr(0, folder.size() + 1), folder + "\\");
  const std::string name = journal.substr(folder.size() + 1);
  const std::string prefix = "tmp" + testdata::JournalFileNameDate(date);
  EXPECT_EQ(name.substr(0, prefix.size()), prefix) << name << ", today " << date;
  EXPECT_EQ(name.substr(name.size() - 4), ".ini") << name;
  EXPECT_FALSE(stdfs::exists(journal)) << "nothing is written before the first answer";

  StartTest(path);
  Pick(2);
  Answer();
  ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text.toStdString();
  ASSERT_EQ(run->run().journal().Path(), journal);
  const DWORD attributes = GetFileAttributesA(journal.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << journal;
  const bool marks_kept = miravel::testing_support::KeepsHiddenMark(folder);
  if (marks_kept) {
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, DWORD{0}) << attributes;
  }
  EXPECT_EQ(system.CreateExclusive(journal), os::Services::Creation::kTaken) << "created exclusively";
  EXPECT_EQ(run->run().journal().RecordedOption(1), 2);
  Pick(3);
  Answer();
  if (marks_kept) {
    EXPECT_NE(GetFileAttributesA(journal.c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD{0});
  }
  EXPECT_EQ(run->run().journal().RecordedOption(2), 3);

  EXPECT_TRUE(form->close());
  EXPECT_FALSE(stdfs::exists(journal)) << "deleted with the window";
}
#endif

TEST_F(JournalFile, AJournalLeftBehindIsNotTakenOver) {
  // A run that did not close normally left number 7 (the number the generator
  // gives) with an answer to question 1.
  const std::string left = (dir / "home" / "tmp10.12.20267.ini").string();
  ASSERT_EQ(run->run().journal().Path(), left);
  ProfileFile old(left);
  old.WriteText("Вопрос№1"_w, "ВариантДан"_w, "1-1");
  old.WriteNumber("Вопрос№1"_w, "ВариантДанНомер"_w, 1);
  Restart();
  EXPECT_NE(run->run().journal().Suffix(), 7);
  EXPECT_NE(run->run().journal().Path(), left);
  StartTest(path);
  EXPECT_EQ(form->optionGroup->options()->checkedId(), -1) << "the old answer does not show";
  Pick(0);
  Answer();
  EXPECT_NE(ReadAll(left).find("1-1"), std::string::npos) << "the old journal is left alone";
}

// Another program drew the same number and answered first: its journal is
// never read, written or deleted by this run, which takes a free name at its
// first answer.
TEST_F(JournalFile, ANameTakenAfterStartUpStaysWithItsOwner) {
  const std::string drawn = run->run().journal().Path();
  ProfileFile other(drawn);
  other.WriteText("Вопрос№1"_w, "ВариантДан"_w, "1-3");
  other.WriteNumber("Вопрос№1"_w, "ВариантДанНомер"_w, 3);
  const std::string theirs = ReadAll(drawn);
  StartTest(path);
  EXPECT_EQ(form->optionGroup->options()->checkedId(), -1) << "the other program's answer does not show";
  Pick(0);
  Answer();
  const std::string mine = run->run().journal().Path();
  EXPECT_NE(mine, drawn);
  EXPECT_EQ(stdfs::path(mine).parent_path(), dir / "home");
  EXPECT_NE(ReadAll(mine).find(W("ВариантДан=1-0")), std::string::npos);
  Back();
  EXPECT_EQ(form->optionGroup->options()->checkedId(), 0);
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(stdfs::exists(mine));
  EXPECT_EQ(ReadAll(drawn), theirs) << "neither written nor deleted";
}

#ifndef _WIN32
// A run killed while it replaced its journal leaves the new file behind; the
// next start removes it, and nothing else.
TEST_F(JournalFile, StartUpRemovesWhatAKilledRunLeftInTheMiddleOfAWrite) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const stdfs::path home = dir / "home";
  const std::string leftover = "tmp10.12.20263.ini.~" + std::to_string(child) + "-0";
  const std::string journal = "tmp10.12.20263.ini";
  const std::string similar = "tmp10.12.20263.ini.~" + std::to_string(child) + "-0.odt";
  for (const std::string& name : {leftover, journal, similar}) std::ofstream((home / name).string()) << "";
  Restart();
  EXPECT_FALSE(stdfs::exists(home / leftover));
  EXPECT_TRUE(stdfs::exists(home / journal));
  EXPECT_TRUE(stdfs::exists(home / similar));
}
#endif

// Every one of today's usual hundred names is taken by a journal left
// behind, each with the right answer to every question: the run takes a
// name of its own, grades only its own answers, and leaves the hundred files
// as they were, through the whole run and the close.
TEST_F(Report, WithEveryUsualNameTakenNoJournalIsTakenOver) {
  std::vector<std::pair<std::string, std::string>> left;
  for (unsigned s = 0; s < testdata::kJournalSuffixes; ++s) {
    const std::string journal = testdata::JournalPath(os.profile, os.date, s);
    ProfileDocument doc;
    for (int n = 1; n <= 5; ++n) {
      const Text section = testdata::JournalSection(n);
      const Text right = std::to_string(n) + "-" + std::to_string(n % 4);
      doc.Set(section, testdata::journal_keys::kQuestionText, W("Вопрос ") + std::to_string(n));
      doc.Set(section, testdata::journal_keys::kGivenAnswer, right);
      doc.Set(section, testdata::journal_keys::kReferenceAnswer, right);
      doc.Set(section, testdata::journal_keys::kGivenOption, std::to_string(n % 4));
    }
    doc.SaveAs(journal);
    left.emplace_back(journal, ReadAll(journal));
  }
  Restart();
  EXPECT_GE(run->run().journal().Suffix(), testdata::kJournalSuffixes);
  EXPECT_EQ(run->run().journal().Path(), testdata::JournalPath(os.profile, os.date, run->run().journal().Suffix()));
  AnswerSome(1, 0);  // question 1 answered wrongly; 2 to 5 never answered
  EXPECT_EQ(form->optionGroup->options()->checkedId(), -1) << "no answer of another run shows";
  Ticks(61);
  TypePassword(QStringLiteral("407152"));
  EXPECT_EQ(run->run().rightCount(), 0);
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 0"));
  const std::string mine = run->run().journal().Path();
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(stdfs::exists(mine));
  for (const auto& [journal, content] : left) EXPECT_EQ(ReadAll(journal), content) << journal;
}

}  // namespace
}  // namespace miravel::run
