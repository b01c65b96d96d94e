// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of a test run on the real windows (offscreen platform): one
// answer step and the report, on generated tests of 100 to 10,000 questions
// of which every one has been answered (the journal and the run's own record
// hold an answer to each).
//
//   BM_AnswerStep/N         on a question in the second half of an N-question
//                           test, an option other than the recorded one
//                           selected and Button3Click (the answer recorded in
//                           the journal and the next question shown), then the
//                           event loop's turn that paints what changed and
//                           deletes what was left for deletion
//   BM_AnswerStepPainted/N  the same, then the whole window painted
//                           (grab(): every visible control of the window
//                           paints itself into a picture of the window)
//   BM_Report/N             OpenReport with the right password: Otchet of all
//                           N questions into the report box and the totals,
//                           then the event loop's turn that lays out and
//                           paints it
//
// Every step is checked: the run's record holds the option it recorded, and
// the window shows the next question (never the end screen). The position wraps
// back, untimed, before the last question. A step that fails a check fails
// the benchmark; the counters "recorded" and "shown" count the steps that
// passed, and "painted" the steps whose window paint painted the question.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QWindow>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/cp1251.h"
#include "platform/os_services.h"
#include "platform/profile_file.h"
#include "run/controller.h"
#include "testdata/cipher.h"
#include "testdata/journal.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/report_password_dialog.h"

namespace {

namespace stdfs = std::filesystem;
using namespace miravel;

stdfs::path& Folder() {
  static stdfs::path folder;
  return folder;
}

// The system with the benchmark's folder as the profile folder.
class BenchOs : public os::SystemServices {
 public:
  std::string ProfileFolder() override { return Folder().string(); }
  std::string ShortDateText() override { return "10.12.2026"; }
  unsigned Random(unsigned /*bound*/) override { return 0; }
};

// A Russian-looking sentence of about `bytes` bytes.
Text Sentence(std::mt19937& rng, std::size_t bytes) {
  static constexpr const char* kWords[] = {"фараон",  "пирамида", "река",   "Нил",  "храм",  "жрец",
                                           "папирус", "династия", "Мемфис", "Фивы", "писец", "гробница",
                                           "обелиск", "сфинкс",   "бог",    "Ра"};
  Text out;
  while (out.size() < bytes) {
    if (!out.empty()) out += ' ';
    out += cp1251::FromUtf8(kWords[rng() % 16]);
  }
  return out + '?';
}

// The option answered to question n before the benchmark: every other
// answer is right.
int PrefilledOption(int n) {
  const int right = n % 4;
  return n % 2 == 0 ? right : (right + 1) % 4;
}

struct Files {
  std::string test;  // the test file's path
  std::vector<QString> questions;  // question n's text as the window shows it, [0] unused
};

// Writes a test of `count` questions (time 60 minutes).
Files MakeFiles(int count) {
  std::mt19937 rng(12345u + static_cast<unsigned>(count));
  ProfileDocument test;
  Files files;
  files.questions.resize(static_cast<std::size_t>(count) + 1);
  test.Set("Main", "TestName", testdata::Cr(Sentence(rng, 30)));
  test.Set("Option", "QwCount", std::to_string(count));
  test.Set("Option", "Time", "60");
  static constexpr const char* kCodes[] = {"@", "&", "%", "#"};
  for (int n = 1; n <= count; ++n) {
    const std::string section = "qw " + std::to_string(n);
    const Text question = Sentence(rng, 60 + rng() % 90);
    files.questions[static_cast<std::size_t>(n)] = QString::fromStdString(cp1251::ToUtf8(question));
    Text options[4];
    test.Set(section, "QwText", testdata::Cr(question));
    for (int k = 0; k < 4; ++k) {
      options[k] = Sentence(rng, 10 + rng() % 30);
      test.Set(section, "va" + std::to_string(k), testdata::Cr(options[k]));
    }
    test.Set(section, "otv", kCodes[n % 4]);
  }
  files.test = (Folder() / ("test" + std::to_string(count) + ".DLL")).string();
  test.SaveAs(files.test);
  return files;
}

// The event loop's turn after a handler: what changed is laid out and
// painted. Outside exec() Qt leaves deleteLater() to the loop that runs it,
// which the program's loop does at once; here it is done by hand.
void EventLoopTurn() {
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// One program with a test of `count` questions started. `error` says what
// went wrong in setting it up, if anything did.
struct Program {
  explicit Program(int count) {
    form = std::make_unique<ui::MainWindow>();
    run = std::make_unique<run::Controller>(*form, os);
    dlg = std::make_unique<ui::ReportPasswordDialog>();
    run->attachPasswordDialog(*dlg);
    form->show();
    while (form->windowHandle() == nullptr || !form->windowHandle()->isExposed()) QApplication::processEvents();
    files = MakeFiles(count);
    ui::FileDialog::SetNextFileName(QString::fromStdString(files.test));
    form->nameEdit->setText(QStringLiteral("Иванов Иван"));
    form->groupEdit->setText(QStringLiteral("ГР-11"));
    run->open();
    form->countdown->setInterval(24 * 60 * 60 * 1000);  // no tick during the run
    run->start();
    // Every question answered as a student does, the last one with Back so
    // that the test does not end; then back to question 1.
    for (int n = 1; n <= count; ++n) {
      form->optionGroup->checkOption(PrefilledOption(n));
      if (n < count) {
        run->answer();
      } else {
        run->back();
      }
    }
    form->questionScale->setValue(1);
    EventLoopTurn();
    expected.resize(static_cast<std::size_t>(count) + 1);
    for (int n = 1; n <= count; ++n) expected[static_cast<std::size_t>(n)] = PrefilledOption(n);
    const testdata::AnswerJournal& journal = run->run().journal();
    if (journal.Answers().size() != static_cast<std::size_t>(count) || journal.ChangedBehindTheRun()) {
      error = "the answers were not all recorded";
    } else {
      for (const int n : {1, count / 2, count}) {
        if (journal.RecordedOption(n) != PrefilledOption(n)) error = "an answer was not recorded";
      }
    }
  }
  ~Program() {
    run->close();
    run.reset();
  }

  BenchOs os;
  Files files;
  std::vector<int> expected;  // the option the run holds for each question, [0] unused
  std::string error;
  std::unique_ptr<ui::MainWindow> form;
  std::unique_ptr<ui::ReportPasswordDialog> dlg;
  std::unique_ptr<run::Controller> run;
};

// The programs made so far, by what they are for and test size. Each is made
// once and kept for every run of the benchmarks it serves (the answer steps,
// painted or not, share theirs): answering 10,000 questions to set one up
// takes a while.
std::map<std::pair<std::string, int>, std::unique_ptr<Program>>& Programs() {
  static std::map<std::pair<std::string, int>, std::unique_ptr<Program>> programs;
  return programs;
}
Program& ProgramFor(const std::string& benchmark, int count) {
  std::unique_ptr<Program>& program = Programs()[{benchmark, count}];
  if (!program) program = std::make_unique<Program>(count);
  return *program;
}

// Whether the window shows question `n` of the test with its options.
bool ShowsQuestion(const Program& p, int n) {
  const ui::MainWindow& f = *p.form;
  return f.questionScale->value() == n && f.questionNumberLabel->isVisible() &&
         f.questionNumberLabel->text() == QString::number(n) &&
         f.questionLabel->text() == p.files.questions[static_cast<std::size_t>(n)] && f.optionGroup->isVisible() &&
         f.optionGroup->optionTexts().size() == 4;
}

// Counts the paint events of one widget.
class PaintCount : public QObject {
 public:
  explicit PaintCount(QWidget& widget) : widget_(widget) { widget_.installEventFilter(this); }
  ~PaintCount() override { widget_.removeEventFilter(this); }
  PaintCount(const PaintCount&) = delete;
  PaintCount& operator=(const PaintCount&) = delete;

  std::int64_t count() const { return count_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &widget_ && event->type() == QEvent::Paint) ++count_;
    return false;
  }

 private:
  QWidget& widget_;
  std::int64_t count_ = 0;
};

// How many of the questions `answered` the run holds `expected` for.
std::int64_t CountRecorded(const Program& p, const std::vector<int>& expected, const std::vector<int>& answered) {
  std::int64_t recorded = 0;
  for (const int n : answered) {
    if (p.run->run().journal().RecordedOption(n) == expected[static_cast<std::size_t>(n)]) ++recorded;
  }
  return recorded;
}

void AnswerSteps(benchmark::State& state, bool paint_window) {
  const int count = static_cast<int>(state.range(0));
  Program& p = ProgramFor("AnswerStep", count);
  if (!p.error.empty()) {
    state.SkipWithError(p.error.c_str());
    return;
  }
  // Steps are taken from questions first .. count - 1, so that each shows a
  // question after it, never the end screen.
  const int first = count / 2;
  std::vector<int>& expected = p.expected;
  std::vector<int> answered;  // questions answered since the journal was last checked
  answered.reserve(static_cast<std::size_t>(count));
  std::int64_t recorded = 0;
  std::int64_t shown = 0;
  std::int64_t painted = 0;
  const PaintCount question_paints(*p.form->questionLabel);
  p.form->questionScale->setValue(first);
  EventLoopTurn();
  for (auto _ : state) {
    const int n = p.form->questionScale->value();
    if (n < first || n >= count) {
      state.SkipWithError("a step started outside the questions it takes");
      break;
    }
    // An option other than the one recorded, so that the journal changes.
    const int option = (expected[static_cast<std::size_t>(n)] + 1) % 4;
    p.form->optionGroup->checkOption(option);
    p.run->answer();
    EventLoopTurn();
    if (paint_window) {
      const std::int64_t before = question_paints.count();
      const QPixmap window = p.form->grab();
      if (question_paints.count() > before && !window.isNull()) ++painted;
    }
    expected[static_cast<std::size_t>(n)] = option;
    answered.push_back(n);
    if (ShowsQuestion(p, n + 1)) ++shown;
    if (p.form->questionScale->value() >= count || p.form->questionScale->value() != n + 1) {
      state.PauseTiming();
      recorded += CountRecorded(p, expected, answered);
      answered.clear();
      p.form->questionScale->setValue(first);
      EventLoopTurn();
      state.ResumeTiming();
    }
  }
  recorded += CountRecorded(p, expected, answered);
  state.counters["recorded"] = static_cast<double>(recorded);
  state.counters["shown"] = static_cast<double>(shown);
  if (paint_window) state.counters["painted"] = static_cast<double>(painted);
  state.SetItemsProcessed(state.iterations());
  const auto steps = static_cast<std::int64_t>(state.iterations());
  if (state.error_occurred()) return;
  if (recorded != steps || shown != steps) {
    state.SkipWithError("a step did not record its answer or did not show the next question");
  } else if (paint_window && painted != steps) {
    state.SkipWithError("a window paint did not paint the question");
  }
}

void BM_AnswerStep(benchmark::State& state) { AnswerSteps(state, false); }
BENCHMARK(BM_AnswerStep)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_AnswerStepPainted(benchmark::State& state) { AnswerSteps(state, true); }
BENCHMARK(BM_AnswerStepPainted)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Report(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Program& p = ProgramFor("Report", count);
  if (!p.error.empty()) {
    state.SkipWithError(p.error.c_str());
    return;
  }
  p.form->questionScale->setValue(count + 1);  // the end screen
  p.run->answer();  // the report asked for
  p.dlg->passwordEdit->setText(QStringLiteral("407152"));
  for (auto _ : state) {
    state.PauseTiming();
    p.form->reportBox->clear();
    QApplication::processEvents();
    state.ResumeTiming();
    p.run->enterPassword();
    // The verdict comes from the check beside the window.
    while (p.run->run().passwordTries().checking()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
  }
  if (p.form->reportBox->lineCount() != 3 * (count / 2) + 6 * (count - count / 2)) {
    state.SkipWithError("the report has the wrong number of lines");
  }
  state.counters["lines"] = p.form->reportBox->lineCount();
}
BENCHMARK(BM_Report)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  std::random_device rd;
  Folder() = stdfs::temp_directory_path() / ("miravel-run-bench-" + std::to_string(rd()));
  stdfs::create_directories(Folder());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Programs().clear();
  stdfs::remove_all(Folder());
  return 0;
}
