// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/test_run.h"

#include <climits>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "testdata/test_file.h"

namespace miravel::run {
namespace {

using miravel::literals::operator""_w;
using testdata::TestFileReader;

// What the question area shows before the first question: the texts the
// window is made with.
constexpr std::string_view kHeading = "Вопрос №"_w;
constexpr std::string_view kFirstNumber = "15";
constexpr std::string_view kFirstQuestion = "Label16";
constexpr std::string_view kNotChosen = "---тест не выбран---"_w;
constexpr std::string_view kNoCount = "00";
constexpr std::string_view kAllAnswered =
    "Вы ответили на все вопросы! Пригласите преподавателя для просмотра Ваших результатов"_w;
constexpr std::string_view kTimeUp = "Ваше время истекло. Пригласите преподавателя для просмотра Ваших результатов"_w;
constexpr std::string_view kTotal = "Итого:"_w;
constexpr std::string_view kRightTotal = "Правильных ответов: "_w;
constexpr std::string_view kWrongTotal = "Неправильных ответов: "_w;
constexpr std::string_view kAnswerCaption = "Ответить"_w;
constexpr std::string_view kReportCaption = "Отчет"_w;

// The first position of the question scale.
constexpr std::int32_t kScaleMinimum = 1;

// One more and one less than a position, kept within the 32-bit range (the
// scale clamps the result into its own range).
std::int32_t Above(std::int32_t position) { return position == INT32_MAX ? INT32_MAX : position + 1; }
std::int32_t Below(std::int32_t position) { return position == INT32_MIN ? INT32_MIN : position - 1; }

// The gauge's range error. The bounds are formed in 64 bits.
[[noreturn]] void ThrowRangeError(std::int64_t low, std::int64_t high) {
  char message[80];
  std::snprintf(message, sizeof message, "Value must be between %lld and %lld", static_cast<long long>(low),
                static_cast<long long>(high));
  throw std::out_of_range(message);
}

}  // namespace

TestRun::TestRun(os::Services& os)
    : journal_(os, os.ProfileFolder()),
      title_(kNotChosen),
      description_(kNotChosen),
      comments_(kNotChosen),
      question_count_text_(kNoCount),
      time_text_(kNoCount),
      question_number_text_(kFirstNumber),
      question_text_(kFirstQuestion) {}

std::int32_t TestRun::QuestionCount(std::int32_t def) const {
  if (!test_) return def;
  return TestFileReader(*test_).QuestionCount(def);
}

// --- what the windows show ------------------------------------------------------

HeaderView TestRun::header() const {
  return HeaderView{stage_ == Stage::kRegistration || stage_ == Stage::kTestOpen,
                    title_,
                    description_,
                    comments_,
                    question_count_text_,
                    time_text_};
}

ButtonsView TestRun::buttons() const {
  ButtonsView v;
  v.open_enabled = open_enabled_;
  v.open_default = open_default_;
  v.start_shown = header().shown;
  v.start_enabled = start_enabled_;
  v.start_default = start_default_;
  v.answer_shown = stage_ >= Stage::kAnswering;
  v.answer_asks_for_report = stage_ >= Stage::kFinished;
  v.answer_caption = v.answer_asks_for_report ? kReportCaption : kAnswerCaption;
  v.answer_enabled = answer_enabled_;
  v.answer_default = answer_default_;
  v.back_shown = stage_ >= Stage::kAnswering;
  v.back_enabled = back_enabled_;
  return v;
}

ClockView TestRun::clock() const { return ClockView{gauge_maximum_, gauge_progress_, clock_running_}; }

QuestionView TestRun::question() const {
  QuestionView v;
  v.scale_minimum = kScaleMinimum;
  v.scale_maximum = scale_maximum_;
  v.position = position_;
  v.scale_enabled = scale_enabled_;
  v.heading = student_shown_ ? full_name_ + '\r' + group_ : Text(kHeading);
  v.number = question_number_text_;
  v.number_shown = question_number_shown_;
  v.text = question_text_;
  v.text_centred = !totals_shown_;
  v.option_count = option_count_;
  v.options = options_;
  v.chosen = chosen_;
  v.options_shown = options_shown_;
  v.options_enabled = options_enabled_;
  return v;
}

ReportView TestRun::report() const {
  ReportView v;
  v.box_shown = report_shown_;
  v.totals_shown = totals_shown_;
  v.right_total = right_total_text_;
  v.wrong_total = wrong_total_text_;
  v.journal_changed_shown = totals_shown_ && journal_changed_;
  v.save_enabled = report_summary_.has_value();
  v.print_enabled = report_summary_.has_value();
  return v;
}

PasswordView TestRun::password(PasswordTries::Clock::time_point now) const {
  return PasswordView{password_window_shown_, password_tries_.checking(), password_tries_.WaitLeft(now)};
}

bool TestRun::TakeResultRow() { return std::exchange(result_row_due_, false); }

// --- registration and opening --------------------------------------------------

void TestRun::RegistrationChanged(bool name_filled, bool group_filled) {
  open_enabled_ = name_filled && group_filled;
  // The default mark, once set, stays.
  if (open_enabled_) open_default_ = true;
}

void TestRun::Open(const std::optional<std::string>& file, const Text& name, const Text& group) {
  if (file) OpenTest(*file);
  group_ = group;
  full_name_ = name;
}

void TestRun::OpenTest(const std::string& file) {
  test_ = std::make_unique<ProfileFile>(file);
  test_file_ = file;
  const TestFileReader reader(*test_);
  title_ = reader.TestName();
  description_ = reader.Description();
  comments_ = reader.Comments();
  question_count_text_ = reader.QuestionCountText();
  time_limit_ = reader.TimeMinutes();
  time_text_ = std::to_string(time_limit_);
  // The gauge counts seconds. A time whose seconds it cannot hold is refused
  // like a negative one, and the opening stops here.
  const std::int64_t seconds = std::int64_t{time_limit_} * 60;
  SetGaugeMaximum(seconds);
  gauge_progress_ = static_cast<std::int32_t>(seconds);
  start_enabled_ = true;
  start_default_ = true;
  stage_ = Stage::kTestOpen;
}

void TestRun::SetGaugeMaximum(std::int64_t seconds) {
  if (seconds > INT32_MAX || seconds < 0) ThrowRangeError(1, INT32_MAX);
  gauge_maximum_ = static_cast<std::int32_t>(seconds);
  if (gauge_progress_ > gauge_maximum_) gauge_progress_ = gauge_maximum_;
}

// --- the questions -------------------------------------------------------------

void TestRun::Start() {
  // A count of 2147483647 wraps round, as 32-bit arithmetic does, and the
  // scale ignores a maximum below its minimum.
  const auto count = static_cast<std::uint32_t>(QuestionCount(0));
  SetScaleMaximum(static_cast<std::int32_t>(count + 1U));
  stage_ = Stage::kAnswering;
  scale_enabled_ = true;
  options_enabled_ = true;
  ShowQuestion(position_);
  back_enabled_ = false;
  clock_running_ = true;
}

void TestRun::SetScaleMaximum(std::int32_t maximum) {
  if (maximum < kScaleMinimum) return;
  scale_maximum_ = maximum;
  if (position_ > maximum) {
    position_ = maximum;
    ScaleChanged();
  }
}

void TestRun::SetPosition(std::int32_t position) {
  if (position < kScaleMinimum) position = kScaleMinimum;
  if (position > scale_maximum_) position = scale_maximum_;
  if (position == position_) return;
  position_ = position;
  ScaleChanged();
}

void TestRun::MoveScale(std::int32_t position) {
  if (position < kScaleMinimum) position = kScaleMinimum;
  if (position > scale_maximum_) position = scale_maximum_;
  position_ = position;
  ScaleChanged();
}

void TestRun::ScaleChanged() {
  if (QuestionCount(0) < position_) {
    EndScreen();
    return;
  }
  back_enabled_ = position_ != 1;
  ShowQuestion(position_);
}

void TestRun::EndScreen() {
  question_text_ = kAllAnswered;
  question_number_shown_ = false;
  student_shown_ = true;
  options_shown_ = false;
  stage_ = Stage::kFinished;
  scale_enabled_ = false;
  clock_running_ = false;
  back_enabled_ = false;
}

void TestRun::ShowQuestion(std::int32_t n) {
  const testdata::QuestionTexts question =
      test_ ? TestFileReader(*test_).Question(n) : TestFileReader(ProfileFile(std::string())).Question(n);
  option_count_ = 0;
  chosen_ = -1;
  question_text_ = question.text;
  question_number_text_ = std::to_string(n);
  for (std::size_t k = 0; k < options_.size(); ++k) options_[k] = question.options[k];
  option_count_ = static_cast<std::int32_t>(options_.size());
  // A question answered before shows its answer, which acts like a click.
  ChooseOptionFromRun(journal_.RecordedOption(n));
}

void TestRun::ChooseOptionFromRun(std::int32_t index) {
  if (index < -1) index = -1;
  if (index >= option_count_) index = option_count_ - 1;
  if (index == chosen_) return;
  chosen_ = index;
  if (index != -1) answer_default_ = true;
}

void TestRun::ChooseOption(std::int32_t index) {
  if (index < 0 || index >= option_count_ || index == chosen_) return;
  ChooseOptionFromRun(index);
}

void TestRun::Record() { journal_.Record(test_.get(), position_, chosen_); }

void TestRun::Answer() {
  if (stage_ < Stage::kFinished) {
    Record();
  } else {
    AskForReport();
    // Asked again after the password window was closed: the scale is
    // already disabled then, and nothing else changes.
    if (!scale_enabled_) return;
  }
  SetPosition(Above(position_));
}

void TestRun::AskForReport() {
  password_window_shown_ = true;
  answer_enabled_ = false;
}

void TestRun::Back() {
  Record();
  SetPosition(Below(position_));
}

void TestRun::Tick() {
  if (gauge_progress_ >= 1) {
    --gauge_progress_;
    return;
  }
  clock_running_ = false;
  stage_ = Stage::kFinished;
  time_ran_out_ = true;
  Answer();
  options_shown_ = false;
  question_text_ = kTimeUp;
  question_number_shown_ = false;
  scale_enabled_ = false;
  student_shown_ = true;
  back_enabled_ = false;
}

// --- the report ------------------------------------------------------------------

void TestRun::EnterPassword(const Text& typed, ReportSink& report) {
  const PasswordTries::Clock::time_point now = PasswordTries::Clock::now();
  if (!BeginPasswordCheck(now)) return;
  PasswordChecked(report_password_.Accepts(typed), report, now);
}

bool TestRun::BeginPasswordCheck(PasswordTries::Clock::time_point now) { return password_tries_.Begin(now); }

void TestRun::PasswordChecked(bool accepted, ReportSink& report, PasswordTries::Clock::time_point now) {
  if (!password_tries_.Finish(accepted, now)) return;  // right, but the window was closed meanwhile
  if (!accepted) {
    // A wrong password: the window stays open; the answer shown is recorded
    // and the scale moves one on.
    Record();
    SetPosition(Above(position_));
    return;
  }
  password_window_shown_ = false;
  stage_ = Stage::kReport;
  report_shown_ = true;
  // The report comes from the run's own record; the journal on disk is only
  // looked at to tell the teacher whether someone changed it.
  journal_changed_ = journal_.ChangedBehindTheRun();
  WriteReport(
      journal_.Answers(), [this] { return journal_.Created(); }, QuestionCount(-1), report, right_count_);
  totals_shown_ = true;
  back_enabled_ = false;
  clock_running_ = false;
  question_text_ = kTotal;
  right_total_text_ = Text(kRightTotal) + std::to_string(right_count_);
  const std::int32_t questions = QuestionCount(0);
  const std::int64_t wrong = std::int64_t{questions} - right_count_;
  wrong_total_text_ = Text(kWrongTotal) + std::to_string(wrong);
  // The first report shown makes its results row due; a later one does not.
  if (!report_summary_) result_row_due_ = true;
  report_summary_ =
      ReportSummary{std::chrono::system_clock::now(), questions, right_count_, wrong, time_ran_out_, journal_changed_};
}

void TestRun::PasswordClosed() {
  password_window_shown_ = false;
  password_tries_.Abandon();
  answer_enabled_ = true;
}

void TestRun::Close() { journal_.Remove(); }

}  // namespace miravel::run
