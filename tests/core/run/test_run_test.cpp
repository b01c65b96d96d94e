// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of a run, without any window: registration, opening, Start,
// Answer and Back, the question scale, the options, the clock and its
// time-out, the report password and the report.
#include "run/test_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "testdata/cipher.h"

namespace miravel::run {
namespace {

using namespace miravel::literals;
namespace stdfs = std::filesystem;

// The real system in a folder of the test's, on a fixed date, drawing 7.
class FolderOs : public os::SystemServices {
 public:
  explicit FolderOs(std::string folder) : folder_(std::move(folder)) {}
  std::string ProfileFolder() override { return folder_; }
  std::string ShortDateText() override { return "10.12.2026"; }
  unsigned Random(unsigned bound) override { return bound == 0 ? 0 : 7 % bound; }

 private:
  std::string folder_;
};

// The report's lines.
class Lines : public ReportSink {
 public:
  std::vector<Text> lines;
  void SetColor(ReportColor) override {}
  void AppendLine(const Text& line) override { lines.push_back(line); }
};

const Text kAllAnswered("Вы ответили на все вопросы! Пригласите преподавателя для просмотра Ваших результатов"_w);
const Text kTimeUp("Ваше время истекло. Пригласите преподавателя для просмотра Ваших результатов"_w);

class Run : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = stdfs::temp_directory_path() / ("miravel-test-run-" + std::to_string(rd()));
    stdfs::create_directories(dir_);
    os_ = std::make_unique<FolderOs>(dir_.string());
    run_ = std::make_unique<TestRun>(*os_);
  }
  void TearDown() override { stdfs::remove_all(dir_); }

  // A test of `count` questions "Вопрос n" with options "n-0".."n-3", option
  // n % 4 right, `minutes` long.
  std::string MakeTest(const std::string& count, const std::string& minutes) {
    ProfileDocument doc;
    doc.Set("Main", "TestName", testdata::Cr("Тест"_w));
    doc.Set("Option", "QwCount", count);
    doc.Set("Option", "Time", minutes);
    static const char* const kCodes[] = {"@", "&", "%", "#"};
    for (int n = 1; n <= 5; ++n) {
      const std::string section = "qw " + std::to_string(n);
      doc.Set(section, "QwText", testdata::Cr(Text("Вопрос "_w) + std::to_string(n)));
      for (int k = 0; k < 4; ++k)
        doc.Set(section, "va" + std::to_string(k), testdata::Cr(std::to_string(n) + "-" + std::to_string(k)));
      doc.Set(section, "otv", kCodes[n % 4]);
    }
    const std::string path = (dir_ / ("test" + count + "-" + minutes + ".DLL")).string();
    doc.SaveAs(path);
    return path;
  }

  // Registration, opening and Start.
  void Begin(const std::string& count = "5", const std::string& minutes = "1") {
    run_->RegistrationChanged(true, true);
    run_->Open(MakeTest(count, minutes), Text("Иванов Иван"_w), Text("ГР-11"_w));
    run_->Start();
  }

  stdfs::path dir_;
  std::unique_ptr<FolderOs> os_;
  std::unique_ptr<TestRun> run_;
};

// What the windows show before anything was done: the run gives every text.
TEST_F(Run, TheWindowsStartWithTheRunsTexts) {
  const HeaderView header = run_->header();
  EXPECT_TRUE(header.shown);
  for (const Text* text : {&header.title, &header.description, &header.comments})
    EXPECT_EQ(*text, "---тест не выбран---"_w);
  EXPECT_EQ(header.question_count, "00");
  EXPECT_EQ(header.time, "00");
  const QuestionView question = run_->question();
  EXPECT_EQ(question.heading, "Вопрос №"_w);
  EXPECT_EQ(question.number, "15");
  EXPECT_EQ(question.text, "Label16");
  EXPECT_EQ(question.scale_minimum, 1);
  EXPECT_EQ(question.scale_maximum, 10);
  EXPECT_EQ(question.position, 1);
  EXPECT_FALSE(question.scale_enabled) << "no input before Start";
  EXPECT_EQ(question.option_count, 0);
  const ButtonsView buttons = run_->buttons();
  EXPECT_EQ(buttons.answer_caption, "Ответить"_w);
  EXPECT_FALSE(buttons.answer_shown);
  EXPECT_FALSE(buttons.open_enabled);
  EXPECT_TRUE(buttons.start_shown);
  EXPECT_FALSE(buttons.start_enabled);
  const ClockView clock = run_->clock();
  EXPECT_EQ(clock.gauge_maximum, 100);
  EXPECT_EQ(clock.gauge_progress, 0);
  EXPECT_FALSE(clock.running);
  const ReportView report = run_->report();
  EXPECT_FALSE(report.box_shown);
  EXPECT_FALSE(report.totals_shown);
  EXPECT_FALSE(report.save_enabled);
  EXPECT_FALSE(report.print_enabled);
}

TEST_F(Run, RegistrationAndOpening) {
  EXPECT_EQ(run_->stage(), Stage::kRegistration);
  EXPECT_FALSE(run_->buttons().open_enabled);
  run_->RegistrationChanged(true, false);
  EXPECT_FALSE(run_->buttons().open_enabled);
  run_->RegistrationChanged(true, true);
  EXPECT_TRUE(run_->buttons().open_enabled);
  EXPECT_TRUE(run_->buttons().open_default);
  run_->RegistrationChanged(false, true);
  EXPECT_FALSE(run_->buttons().open_enabled);
  EXPECT_TRUE(run_->buttons().open_default) << "the default mark stays";

  // A cancelled choice keeps the name and group, and opens nothing.
  run_->Open(std::nullopt, Text("Петров"_w), Text("Б-2"_w));
  EXPECT_EQ(run_->stage(), Stage::kRegistration);
  EXPECT_EQ(run_->fullName(), "Петров"_w);
  EXPECT_EQ(run_->header().title, "---тест не выбран---"_w);
  EXPECT_FALSE(run_->buttons().start_enabled);

  run_->Open(MakeTest("5", "2"), Text("Иванов"_w), Text("А-1"_w));
  EXPECT_EQ(run_->stage(), Stage::kTestOpen);
  EXPECT_EQ(run_->header().title, "Тест"_w);
  EXPECT_EQ(run_->header().question_count, "5");
  EXPECT_EQ(run_->header().time, "2");
  EXPECT_EQ(run_->clock().gauge_maximum, 120);
  EXPECT_EQ(run_->clock().gauge_progress, 120);
  EXPECT_TRUE(run_->buttons().start_enabled);
  EXPECT_TRUE(run_->buttons().start_default);
  EXPECT_EQ(run_->fullName(), "Иванов"_w);
  EXPECT_TRUE(run_->header().shown);
  EXPECT_FALSE(run_->buttons().answer_shown);

  // A time the gauge cannot hold: the header is the new test's, the gauge
  // and Start stay, and the name is not taken.
  for (const std::string minutes : {"-1", "35791395"}) {
    try {
      run_->Open(MakeTest("3", minutes), Text("Сидоров"_w), Text("В-3"_w));
      FAIL() << "no error for " << minutes;
    } catch (const std::out_of_range& e) {
      EXPECT_EQ(std::string(e.what()), "Value must be between 1 and 2147483647");
    }
    EXPECT_EQ(run_->header().question_count, "3");
    EXPECT_EQ(run_->clock().gauge_maximum, 120);
    EXPECT_EQ(run_->fullName(), "Иванов"_w);
  }
}

TEST_F(Run, AnsweringStepsForwardAndBackAndShowsRecordedAnswers) {
  Begin();
  EXPECT_EQ(run_->stage(), Stage::kAnswering);
  EXPECT_FALSE(run_->header().shown);
  EXPECT_EQ(run_->question().scale_maximum, 6);
  EXPECT_EQ(run_->question().position, 1);
  EXPECT_EQ(run_->question().text, "Вопрос 1"_w);
  EXPECT_EQ(run_->question().number, "1");
  EXPECT_EQ(run_->question().option_count, 4);
  EXPECT_EQ(run_->question().options[2], "1-2");
  EXPECT_EQ(run_->question().chosen, -1);
  EXPECT_TRUE(run_->clock().running);
  EXPECT_TRUE(run_->buttons().answer_shown);
  EXPECT_FALSE(run_->buttons().back_enabled);
  EXPECT_FALSE(run_->buttons().answer_default);

  run_->ChooseOption(1);
  EXPECT_TRUE(run_->buttons().answer_default);
  run_->Answer();
  EXPECT_EQ(run_->question().position, 2);
  EXPECT_TRUE(run_->buttons().back_enabled);
  EXPECT_EQ(run_->question().chosen, -1);
  run_->ChooseOption(3);
  run_->Back();  // records question 2 and goes back
  EXPECT_EQ(run_->question().position, 1);
  EXPECT_EQ(run_->question().chosen, 1) << "question 1's answer shows again";
  EXPECT_FALSE(run_->buttons().back_enabled);
  run_->MoveScale(2);
  EXPECT_EQ(run_->question().chosen, 3);
  run_->ChooseOption(0);
  run_->MoveScale(3);  // moving records nothing
  run_->MoveScale(2);
  EXPECT_EQ(run_->question().chosen, 3);
  EXPECT_EQ(run_->journal().RecordedOption(2), 3);
  EXPECT_EQ(run_->journal().RecordedOption(3), -1);
  // Back at question 1 stays there.
  run_->MoveScale(1);
  run_->Back();
  EXPECT_EQ(run_->question().position, 1);
}

TEST_F(Run, TheEndScreenAndTheReport) {
  Begin();
  for (int n = 1; n <= 5; ++n) {
    run_->ChooseOption(n <= 3 ? n % 4 : (n + 1) % 4);  // three right
    run_->Answer();
  }
  EXPECT_EQ(run_->stage(), Stage::kFinished);
  EXPECT_EQ(run_->question().position, 6);
  EXPECT_EQ(run_->question().text, kAllAnswered);
  EXPECT_EQ(run_->question().heading, "Иванов Иван\rГР-11"_w);
  EXPECT_FALSE(run_->question().number_shown);
  EXPECT_FALSE(run_->question().options_shown);
  EXPECT_FALSE(run_->question().scale_enabled);
  EXPECT_FALSE(run_->clock().running);
  EXPECT_FALSE(run_->buttons().back_enabled);
  EXPECT_TRUE(run_->buttons().answer_asks_for_report);
  EXPECT_EQ(run_->buttons().answer_caption, "Отчет"_w);
  EXPECT_TRUE(run_->buttons().answer_enabled);

  run_->Answer();
  EXPECT_TRUE(run_->password(PasswordTries::Clock::now()).shown);
  EXPECT_FALSE(run_->buttons().answer_enabled);
  EXPECT_EQ(run_->question().position, 6);
  // Closed without the password: it may be asked for again, and asking
  // moves nothing.
  run_->PasswordClosed();
  EXPECT_TRUE(run_->buttons().answer_enabled);
  EXPECT_FALSE(run_->password(PasswordTries::Clock::now()).shown);
  run_->Answer();
  EXPECT_TRUE(run_->password(PasswordTries::Clock::now()).shown);
  EXPECT_EQ(run_->question().position, 6);

  Lines report;
  run_->EnterPassword("407153", report);
  EXPECT_TRUE(report.lines.empty());
  EXPECT_TRUE(run_->password(PasswordTries::Clock::now()).shown);
  EXPECT_FALSE(run_->report().save_enabled) << "no report to save before the right password";
  EXPECT_FALSE(run_->report().print_enabled);
  EXPECT_FALSE(run_->TakeResultRow());
  run_->EnterPassword(Text(TestRun::kReportPassword), report);
  EXPECT_EQ(run_->stage(), Stage::kReport);
  EXPECT_FALSE(run_->password(PasswordTries::Clock::now()).shown);
  EXPECT_TRUE(run_->report().box_shown);
  EXPECT_TRUE(run_->report().totals_shown);
  EXPECT_FALSE(run_->question().text_centred);
  EXPECT_EQ(run_->rightCount(), 3);
  EXPECT_EQ(report.lines.size(), 3u * 3 + 6u * 2);
  EXPECT_EQ(run_->question().text, "Итого:"_w);
  EXPECT_EQ(run_->report().right_total, "Правильных ответов: 3"_w);
  EXPECT_EQ(run_->report().wrong_total, "Неправильных ответов: 2"_w);
  EXPECT_FALSE(run_->report().journal_changed_shown);
  ASSERT_TRUE(run_->reportSummary());
  EXPECT_FALSE(run_->reportSummary()->journal_changed);
  EXPECT_TRUE(run_->report().save_enabled);
  EXPECT_TRUE(run_->report().print_enabled);
  EXPECT_EQ(run_->buttons().answer_caption, "Отчет"_w);
  // The results row is due once, for the first report shown.
  EXPECT_TRUE(run_->TakeResultRow());
  EXPECT_FALSE(run_->TakeResultRow());
  Lines again;
  ASSERT_TRUE(run_->BeginPasswordCheck(PasswordTries::Clock::now()));
  run_->PasswordChecked(true, again, PasswordTries::Clock::now());
  EXPECT_FALSE(again.lines.empty()) << "the report was written again";
  EXPECT_FALSE(run_->TakeResultRow()) << "a report shown again adds no second row";

  const std::string journal = run_->journal().Path();
  EXPECT_TRUE(stdfs::exists(journal));
  run_->Close();
  EXPECT_FALSE(stdfs::exists(journal));
}

// The report holds what each answer recorded when it was given: a test file
// changed during the run changes only the answers recorded after it.
TEST_F(Run, TheReportComesFromWhatWasRecordedAsTheTestFileHeldItThen) {
  Begin("3", "1");
  run_->ChooseOption(1);  // right: "1-1"
  run_->Answer();
  run_->ChooseOption(0);  // wrong: "2-0", the right one is "2-2"
  run_->Answer();
  // The teacher's test file is replaced in the middle of the run: new texts,
  // and other right options.
  ProfileDocument doc;
  doc.Set("Option", "QwCount", "3");
  doc.Set("Option", "Time", "1");
  for (int n = 1; n <= 3; ++n) {
    const std::string section = "qw " + std::to_string(n);
    doc.Set(section, "QwText", testdata::Cr(Text("Новый вопрос "_w) + std::to_string(n)));
    for (int k = 0; k < 4; ++k)
      doc.Set(section, "va" + std::to_string(k), testdata::Cr("new " + std::to_string(n) + "-" + std::to_string(k)));
    doc.Set(section, "otv", "#");
  }
  doc.SaveAs(run_->testFile());
  run_->ChooseOption(2);  // wrong in the new file: "new 3-2", the right one is "new 3-3"
  run_->Answer();
  run_->MoveScale(1);
  EXPECT_EQ(run_->question().chosen, 1) << "question 1 shows the option recorded";
  run_->MoveScale(4);
  run_->Answer();
  Lines report;
  run_->EnterPassword(Text(TestRun::kReportPassword), report);
  const Text separator(87, '*');
  EXPECT_EQ(report.lines, (std::vector<Text>{
                              Text("ВОПРОС № 1 ---ВЕРНО--- "_w),
                              "",
                              separator,
                              Text("ВОПРОС № 2 ---ОШИБКА---"_w),
                              Text("Вопрос 2"_w),
                              Text("Вы ответили: 2-0"_w),
                              Text("Правильный вариант 2-2"_w),
                              "",
                              separator,
                              Text("ВОПРОС № 3 ---ОШИБКА---"_w),
                              Text("Новый вопрос 3"_w),
                              Text("Вы ответили: new 3-2"_w),
                              Text("Правильный вариант new 3-3"_w),
                              "",
                              separator,
                          }));
  EXPECT_EQ(run_->rightCount(), 1);
  EXPECT_FALSE(run_->report().journal_changed_shown);
}

// A journal changed behind the run's back changes nothing of the report,
// the totals or the options shown again; the teacher is told beside the
// totals and in the report's summary.
TEST_F(Run, AJournalChangedBehindTheRunsBackIsMarkedAndGradesNothing) {
  // Question 1 answered wrongly ("1-0"; "1-1" is right), 2 rightly, 3 never.
  const auto play = [this](const std::function<void(const std::string& journal)>& change) {
    run_ = std::make_unique<TestRun>(*os_);
    Begin("3", "1");
    run_->ChooseOption(0);
    run_->Answer();
    run_->ChooseOption(2);
    run_->Answer();
    change(run_->journal().Path());
    run_->MoveScale(1);
    const std::int32_t shown = run_->question().chosen;
    run_->MoveScale(4);
    run_->Answer();
    Lines report;
    run_->EnterPassword(Text(TestRun::kReportPassword), report);
    run_->Close();
    return std::make_pair(shown, report.lines);
  };
  const auto [shown, lines] = play([](const std::string&) {});
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(run_->rightCount(), 1);
  EXPECT_FALSE(run_->report().journal_changed_shown);

  // Sections with every answer right, for question 1 and for the one never
  // answered.
  const auto right = [](int n) {
    const Text option = std::to_string(n) + "-" + std::to_string(n % 4);
    return "[" + testdata::JournalSection(n) + "]\r\n" + Text("Текст вопроса=Вопрос "_w) + std::to_string(n) + "\r\n" +
           Text("ВариантДан="_w) + option + "\r\n" + Text("ВариантЭталон="_w) + option + "\r\n" +
           Text("ВариантДанНомер="_w) + std::to_string(n % 4) + "\r\n";
  };
  const auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  };
  const auto write = [](const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  };
  struct Case {
    const char* what;
    std::function<void(const std::string&)> change;
  } cases[] = {
      {"question 1 made right",
       [&](const std::string& path) {
         const std::string text = read(path);
         write(path, right(1) + text.substr(text.find("[" + testdata::JournalSection(2))));
       }},
      {"a section removed",
       [&](const std::string& path) {
         const std::string text = read(path);
         write(path, text.substr(0, text.find("[" + testdata::JournalSection(2))));
       }},
      {"a section added", [&](const std::string& path) { write(path, read(path) + right(3)); }},
      {"a question text changed",
       [&](const std::string& path) {
         std::string text = read(path);
         text.replace(text.find("Вопрос 1"_w), 8, "Вопрос X"_w);
         write(path, text);
       }},
      {"removed", [](const std::string& path) { stdfs::remove(path); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto [shown_now, lines_now] = play(c.change);
    EXPECT_EQ(shown_now, shown);
    EXPECT_EQ(lines_now, lines);
    EXPECT_EQ(run_->rightCount(), 1);
    EXPECT_EQ(run_->report().right_total, "Правильных ответов: 1"_w);
    EXPECT_TRUE(run_->report().journal_changed_shown);
    ASSERT_TRUE(run_->reportSummary());
    EXPECT_TRUE(run_->reportSummary()->journal_changed);
  }
}

TEST_F(Run, TheScaleToTheEndEndsTheTestUnrecorded) {
  Begin();
  run_->ChooseOption(2);
  run_->MoveScale(6);
  EXPECT_EQ(run_->stage(), Stage::kFinished);
  EXPECT_EQ(run_->question().text, kAllAnswered);
  EXPECT_FALSE(run_->journal().Created());
}

TEST_F(Run, TheClockCountsDownAndTheTimeOutAsksForTheReport) {
  Begin("5", "1");
  run_->ChooseOption(0);
  run_->Answer();
  run_->ChooseOption(1);  // chosen on question 2, never confirmed
  for (int i = 0; i < 60; ++i) run_->Tick();
  EXPECT_EQ(run_->clock().gauge_progress, 0);
  EXPECT_EQ(run_->stage(), Stage::kAnswering) << "the time-out comes a tick after the gauge is empty";
  run_->Tick();
  EXPECT_EQ(run_->stage(), Stage::kFinished);
  EXPECT_FALSE(run_->clock().running);
  EXPECT_TRUE(run_->password(PasswordTries::Clock::now()).shown);
  EXPECT_FALSE(run_->buttons().answer_enabled);
  EXPECT_EQ(run_->question().position, 3) << "the scale stands one past the question shown";
  EXPECT_EQ(run_->question().text, kTimeUp);
  EXPECT_FALSE(run_->question().options_shown);
  EXPECT_FALSE(run_->question().scale_enabled);
  EXPECT_FALSE(run_->buttons().back_enabled);
  EXPECT_EQ(run_->question().heading, "Иванов Иван\rГР-11"_w);
  EXPECT_EQ(run_->journal().RecordedOption(2), -1);
  // Asked for again after the password window was closed: nothing moves.
  run_->PasswordClosed();
  run_->Answer();
  EXPECT_EQ(run_->question().position, 3);
  EXPECT_EQ(run_->question().text, kTimeUp);

  // On the last question the end steps run first and the time-out message
  // wins.
  run_ = std::make_unique<TestRun>(*os_);
  Begin("1", "0");
  run_->Tick();
  EXPECT_EQ(run_->question().position, 2);
  EXPECT_EQ(run_->question().text, kTimeUp);
}

TEST_F(Run, AWrongPasswordRecordsTheAnswerShownAndMovesOn) {
  Begin("5", "0");
  run_->ChooseOption(2);
  run_->Tick();  // time-out on question 1: the scale moves to 2
  Lines report;
  run_->EnterPassword("1", report);
  EXPECT_EQ(run_->journal().RecordedOption(2), -1);
  EXPECT_TRUE(run_->journal().Created());
  EXPECT_EQ(run_->question().position, 3);
  EXPECT_TRUE(run_->password(PasswordTries::Clock::now()).shown);
}

TEST_F(Run, EachReportPasswordRuleUnlocksTheReportOnlyWithItsPassword) {
  const std::optional<std::string> hash = HashPassword("Учитель 7");
  struct Case {
    const char* name;
    ReportPassword rule;
    std::optional<Text> right;  // nothing: no password opens the report
    std::vector<Text> wrong;
  };
  std::vector<Case> cases = {
      {"built-in", ReportPassword::BuiltIn(), Text(TestRun::kReportPassword), {"407153", Text("Учитель 7"_w)}},
      {"refuse all", ReportPassword::RefuseAll(), std::nullopt, {Text(TestRun::kReportPassword), ""}},
  };
  if (hash) {
    cases.push_back({"hash",
                     ReportPassword::Hash(*hash),
                     Text("Учитель 7"_w),
                     {Text(TestRun::kReportPassword), Text("учитель 7"_w), ""}});
  }
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    run_ = std::make_unique<TestRun>(*os_);
    EXPECT_EQ(run_->reportPassword().kind(), ReportPassword::Kind::kBuiltIn) << "a new run's rule";
    run_->SetReportPassword(c.rule);
    Begin("2", "1");
    run_->MoveScale(3);
    run_->Answer();
    ASSERT_TRUE(run_->password(PasswordTries::Clock::now()).shown);
    Lines report;
    // A refused password is a wrong one: the window stays, the scale moves on.
    for (const Text& typed : c.wrong) {
      const std::int32_t position = run_->question().position;
      run_->EnterPassword(typed, report);
      EXPECT_TRUE(run_->password(PasswordTries::Clock::now()).shown) << typed;
      EXPECT_EQ(run_->stage(), Stage::kFinished) << typed;
      EXPECT_EQ(run_->question().position, std::min(position + 1, run_->question().scale_maximum)) << typed;
      EXPECT_TRUE(report.lines.empty()) << typed;
    }
    if (!c.right) continue;
    run_->EnterPassword(*c.right, report);
    EXPECT_EQ(run_->stage(), Stage::kReport);
    EXPECT_FALSE(run_->password(PasswordTries::Clock::now()).shown);
    EXPECT_FALSE(report.lines.empty());
  }
  if (!hash) GTEST_SKIP() << "built without password hashes: the hash rule was not tried";
}

TEST_F(Run, FromTheFifthWrongPasswordTheWindowWaitsBeforeTheNext) {
  using Clock = PasswordTries::Clock;
  Begin("2", "1");
  run_->MoveScale(3);
  run_->Answer();
  Lines report;
  const Clock::time_point t = Clock::now();
  // Four wrong ones, and the right one is taken at once.
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(run_->BeginPasswordCheck(t));
    run_->PasswordChecked(false, report, t);
  }
  EXPECT_TRUE(run_->passwordTries().Ready(t));
  run_->EnterPassword("407153", report);  // the fifth
  EXPECT_EQ(run_->passwordTries().wrongInARow(), 5);
  EXPECT_FALSE(run_->passwordTries().Ready(Clock::now()));
  // While the window waits the right password is not taken either; the run
  // stays as it was.
  run_->EnterPassword(Text(TestRun::kReportPassword), report);
  EXPECT_EQ(run_->stage(), Stage::kFinished);
  EXPECT_TRUE(run_->password(PasswordTries::Clock::now()).shown);
  EXPECT_EQ(run_->passwordTries().wrongInARow(), 5);
  // Closing the window and asking again keeps the count and the wait.
  run_->PasswordClosed();
  run_->Answer();
  EXPECT_FALSE(run_->passwordTries().Ready(Clock::now()));
  const Clock::time_point later = Clock::now() + run_->passwordTries().WaitLeft(Clock::now());
  EXPECT_FALSE(run_->BeginPasswordCheck(later - std::chrono::milliseconds(1)));
  ASSERT_TRUE(run_->BeginPasswordCheck(later));
  EXPECT_FALSE(run_->BeginPasswordCheck(later)) << "one check at a time";
  run_->PasswordChecked(true, report, later);
  EXPECT_EQ(run_->stage(), Stage::kReport);
  EXPECT_FALSE(report.lines.empty());
}

TEST_F(Run, ARightPasswordCheckedAfterTheWindowClosedShowsNoReport) {
  Begin("2", "1");
  run_->MoveScale(3);
  run_->Answer();
  Lines report;
  const auto t = PasswordTries::Clock::now();
  ASSERT_TRUE(run_->BeginPasswordCheck(t));
  run_->PasswordClosed();
  run_->PasswordChecked(true, report, t);
  EXPECT_EQ(run_->stage(), Stage::kFinished);
  EXPECT_FALSE(run_->report().box_shown);
  EXPECT_TRUE(report.lines.empty());
  EXPECT_TRUE(run_->buttons().answer_enabled) << "the report may be asked for again";
  run_->Answer();
  run_->EnterPassword(Text(TestRun::kReportPassword), report);
  EXPECT_EQ(run_->stage(), Stage::kReport);
}

TEST_F(Run, ATestWithoutQuestionsEndsOnlyByTimeOut) {
  Begin("0", "1");
  EXPECT_EQ(run_->question().scale_maximum, 1);
  run_->ChooseOption(1);
  run_->Answer();
  EXPECT_EQ(run_->question().position, 1);
  EXPECT_EQ(run_->stage(), Stage::kAnswering);
  EXPECT_EQ(run_->journal().RecordedOption(1), 1);
  // A negative count keeps the scale's maximum, and every move ends the test.
  run_ = std::make_unique<TestRun>(*os_);
  Begin("-3", "1");
  EXPECT_EQ(run_->question().scale_maximum, 10);
  run_->MoveScale(2);
  EXPECT_EQ(run_->stage(), Stage::kFinished);
}

TEST_F(Run, AFailedRecordingMovesNothing) {
  Begin();
  run_->ChooseOption(1);
  // The profile folder goes, and a file takes its name.
  stdfs::rename(dir_, dir_.string() + "-away");
  std::ofstream(dir_.string()) << "x";
  EXPECT_THROW(run_->Answer(), ProfileWriteError);
  EXPECT_EQ(run_->question().position, 1);
  EXPECT_EQ(run_->question().chosen, 1);
  stdfs::remove(dir_);
  stdfs::rename(dir_.string() + "-away", dir_);
  run_->Answer();
  EXPECT_EQ(run_->question().position, 2);
}

}  // namespace
}  // namespace miravel::run
