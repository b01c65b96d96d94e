// SPDX-License-Identifier: GPL-3.0-or-later
// One run of the program: a student registers, opens a test, answers its
// questions against the clock, and the teacher unlocks the report.
//
// TestRun holds the stage the run has reached and all of its data, and
// carries out its rules: what opening a test, Start, Answer, Back, a move of
// the question scale, a click on an option, a tick of the clock, the time
// running out and the report password do. It needs no window: the windows
// show what it holds (every text, every enabled or shown control) and turn
// the user's actions into its calls.
//
// The rules act on the question scale, the options and the time gauge the
// way those controls behave on screen, since the order of the steps follows
// from it:
//  - the scale's position is the question shown; positions run from 1 to the
//    question count + 1, the last one standing for "all questions passed".
//    Set by the run, a position is clamped to the range and, only when it
//    changed, the question (or the end screen) is shown at once. A user's
//    move shows it in any case. A maximum below 1 is ignored;
//  - choosing an option by the run (a question answered before shows its
//    answer) acts like the user's click: Answer becomes the default button.
//    Choosing the option already chosen does nothing;
//  - the gauge counts the seconds left: its range is 0 to the time in
//    seconds, and a range it cannot hold is refused with the error
//    "Value must be between 1 and 2147483647".
//
// A failure (the journal cannot be written, the gauge refuses a time, the
// report box is full) is a C++ exception that ends the call at that point;
// what the call did before it stays.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/cp1251.h"
#include "platform/os_services.h"
#include "platform/profile_file.h"
#include "run/grading.h"
#include "run/report_password.h"
#include "testdata/journal.h"

namespace miravel::run {

// What a shown report comes to: when it was shown and its totals, as the
// report's heading, a saved report and the class results give them.
struct ReportSummary {
  std::chrono::system_clock::time_point shown_at;
  std::int32_t questions = 0;  // the test's question count (0 when it has none)
  std::int32_t right = 0;
  std::int64_t wrong = 0;  // every question not right, answered or not
  bool time_ran_out = false;
  // The answer journal was changed behind the run's back (the report is
  // graded from the run's own record all the same).
  bool journal_changed = false;
};

enum class Stage {
  kRegistration,  // no test open yet
  kTestOpen,  // a test's header is shown and Start is possible
  kAnswering,  // the questions are shown and answered
  kFinished,  // every question passed, or the time is up: the report may be asked for
  kReport,  // the report is shown
};

// Registration and the test's header, shown until Start.
struct HeaderView {
  bool shown = true;
  Text title;
  Text description;
  Text comments;
  Text question_count;
  Text time;  // in minutes
};

// The push buttons: Open, Start, Answer (which asks for the report once the
// test is over) and Back.
struct ButtonsView {
  bool open_enabled = false;
  bool open_default = false;
  bool start_shown = true;
  bool start_enabled = false;
  bool start_default = false;
  bool answer_shown = false;
  bool answer_asks_for_report = false;
  Text answer_caption;  // "Ответить", or "Отчет" once it asks for the report
  bool answer_enabled = true;
  bool answer_default = false;
  bool back_shown = false;
  bool back_enabled = true;
};

// The time gauge, in seconds left of the test's time, and whether the clock
// ticks.
struct ClockView {
  std::int32_t gauge_maximum = 100;
  std::int32_t gauge_progress = 0;
  bool running = false;
};

// The question area, which takes the window from Start on.
struct QuestionView {
  std::int32_t scale_minimum = 1;
  std::int32_t scale_maximum = 10;
  std::int32_t position = 1;
  bool scale_enabled = false;
  Text heading;  // "Вопрос №", then the student at the end
  Text number;  // the number of the question shown; hidden at the end
  bool number_shown = true;
  Text text;  // the question, then the end message, then "Итого:"
  bool text_centred = true;  // left-aligned once the report is shown
  // The options of the question shown: none before the first question, then
  // always four (empty ones included).
  std::int32_t option_count = 0;
  std::array<Text, 4> options;
  std::int32_t chosen = -1;
  bool options_shown = true;
  bool options_enabled = false;
};

// The report box, the totals under the question line and saving and
// printing the report.
struct ReportView {
  bool box_shown = false;
  bool totals_shown = false;
  Text right_total;
  Text wrong_total;
  // With the totals: the answer journal was found changed behind the run's
  // back when the report was made.
  bool journal_changed_shown = false;
  // Once the report and its totals are shown.
  bool save_enabled = false;
  bool print_enabled = false;
};

// The password window, and what its OK waits for at a given time: a check
// under way, or what is left of the wait after wrong passwords.
struct PasswordView {
  bool shown = false;
  bool checking = false;
  PasswordTries::Clock::duration wait_left{};
};

class TestRun {
 public:
  // The start of a run: sets up the answer journal in the profile folder
  // that `os` gives (no file is made yet).
  explicit TestRun(os::Services& os);

  // --- what the user does ---------------------------------------------------

  // The name or the group was edited: Open is enabled while both hold text.
  void RegistrationChanged(bool name_filled, bool group_filled);
  // Open: `file` is the test file chosen, or nothing when the choice was
  // cancelled. The name and group are kept for the end screen, whether or
  // not a file was chosen, unless the opening failed.
  void Open(const std::optional<std::string>& file, const Text& name, const Text& group);
  // Start: shows question 1 and starts the clock.
  void Start();
  // Answer: records the answer shown and goes on; once the test is over,
  // asks for the report (the password window).
  void Answer();
  // Back: records the answer shown and goes back one question.
  void Back();
  // The user moved the question scale to `position`: shows that question,
  // or ends the test at the end position. Records nothing.
  void MoveScale(std::int32_t position);
  // The user clicked option `index` (0..3).
  void ChooseOption(std::int32_t index);
  // A second of the clock: the gauge loses one; once it is empty, the next
  // tick ends the test and asks for the report.
  void Tick();
  // The teacher confirmed `typed` in the password window. The right password
  // (by the report password rule) shows the report, whose lines go to
  // `report`; a wrong one records the answer shown and moves the scale on.
  // Nothing happens while the window waits after wrong ones (passwordTries).
  void EnterPassword(const Text& typed, ReportSink& report);
  // The same in two steps, for a check that runs beside the window: a check
  // of the typed text against reportPassword() starts at `now` (false: it
  // may not start yet), and its verdict comes in.
  bool BeginPasswordCheck(PasswordTries::Clock::time_point now);
  void PasswordChecked(bool accepted, ReportSink& report, PasswordTries::Clock::time_point now);
  // The password window was closed without the report: it may be asked for
  // again.
  void PasswordClosed();
  // The main window closes: the journal goes.
  void Close();

  // --- what the windows show ----------------------------------------------
  // In groups, each shown on the windows as one: the test's header, the
  // buttons, the clock, the question area, the report and the password
  // window.

  Stage stage() const { return stage_; }
  HeaderView header() const;
  ButtonsView buttons() const;
  ClockView clock() const;
  QuestionView question() const;
  ReportView report() const;
  PasswordView password(PasswordTries::Clock::time_point now) const;
  const PasswordTries& passwordTries() const { return password_tries_; }

  // The results row of the report shown is due: true once, at the first
  // call after the report was first shown.
  bool TakeResultRow();

  // --- the run's data ----------------------------------------------------------

  const Text& fullName() const { return full_name_; }
  const Text& group() const { return group_; }
  // The test's time in minutes, as read at the last opening.
  std::int32_t timeLimit() const { return time_limit_; }
  // Right answers, counted while the report is written.
  std::int32_t rightCount() const { return right_count_; }
  const testdata::AnswerJournal& journal() const { return journal_; }
  // The test open now, or nothing.
  const ProfileFile* test() const { return test_.get(); }
  // The file of the test open now as it was given (the system's bytes), or
  // an empty text.
  const std::string& testFile() const { return test_file_; }
  // Whether the test ended because its time ran out.
  bool timeRanOut() const { return time_ran_out_; }
  // Once the report and its totals are shown: what they come to.
  const std::optional<ReportSummary>& reportSummary() const { return report_summary_; }

  // The built-in report password.
  static constexpr std::string_view kReportPassword = kBuiltInReportPassword;

  // The rule that decides which password unlocks the report: the built-in
  // password unless the site configuration says otherwise.
  void SetReportPassword(ReportPassword rule) { report_password_ = std::move(rule); }
  const ReportPassword& reportPassword() const { return report_password_; }

 private:
  std::int32_t QuestionCount(std::int32_t def) const;
  void OpenTest(const std::string& file);
  void SetGaugeMaximum(std::int64_t seconds);
  void SetScaleMaximum(std::int32_t maximum);
  void SetPosition(std::int32_t position);
  void ScaleChanged();
  void ShowQuestion(std::int32_t n);
  void ChooseOptionFromRun(std::int32_t index);
  void EndScreen();
  void AskForReport();
  void Record();

  testdata::AnswerJournal journal_;
  ReportPassword report_password_;
  std::unique_ptr<ProfileFile> test_;
  Stage stage_ = Stage::kRegistration;

  bool open_enabled_ = false;
  bool open_default_ = false;
  Text title_;
  Text description_;
  Text comments_;
  Text question_count_text_;
  Text time_text_;
  bool start_enabled_ = false;
  bool start_default_ = false;

  std::int32_t gauge_maximum_ = 100;
  std::int32_t gauge_progress_ = 0;
  bool clock_running_ = false;

  std::int32_t scale_maximum_ = 10;
  std::int32_t position_ = 1;
  bool scale_enabled_ = false;
  bool student_shown_ = false;
  Text question_number_text_;
  bool question_number_shown_ = true;
  Text question_text_;
  std::int32_t option_count_ = 0;
  std::array<Text, 4> options_;
  std::int32_t chosen_ = -1;
  bool options_shown_ = true;
  bool options_enabled_ = false;

  bool answer_enabled_ = true;
  bool answer_default_ = false;
  bool back_enabled_ = true;

  bool password_window_shown_ = false;
  PasswordTries password_tries_;
  bool report_shown_ = false;
  bool totals_shown_ = false;
  Text right_total_text_;
  Text wrong_total_text_;
  bool journal_changed_ = false;

  Text full_name_;
  Text group_;
  std::int32_t time_limit_ = 0;
  std::int32_t right_count_ = 0;
  std::string test_file_;
  bool time_ran_out_ = false;
  std::optional<ReportSummary> report_summary_;
  bool result_row_due_ = false;
};

}  // namespace miravel::run
