// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmarks of a test run on the real windows (offscreen platform): one
// answer step and the report, on generated tests of 100 to 10,000 questions
// whose journal already holds an answer to every question.
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
// Every step is checked: the journal holds the option it recorded, and the
// window shows the next question (never the end screen). The position wraps
// back, untimed, before the last question. A step that fails a check fails
// the benchmark; the counters "recorded" and "shown" count the steps that
// passed, and "painted" the steps whose window paint painted the question.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileDialog>
#include <QPixmap>
#include <QWindow>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "platform/os_services.h"
#include "platform/profile_file.h"
#include "run/controller.h"
#include "testdata/cipher.h"
#include "testdata/journal.h"
#include "ui/main_window.h"
#include "ui/report_password_dialog.h"
#include "ui/controls/open_dialog.h"

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
  static const char* const kWords[] = {"фараон",  "пирамида", "река",   "Нил",  "храм",  "жрец",
                                       "папирус", "династия", "Мемфис", "Фивы", "писец", "гробница",
                                       "обелиск", "сфинкс",   "бог",    "Ра"};
  Text out;
  while (out.size() < bytes) {
    if (!out.empty()) out += ' ';
    out += cp1251::FromUtf8(kWords[rng() % 16]);
  }
  return out + '?';
}

// The option the generated journal records for question n: every other
// answer is right.
int PrefilledOption(int n) {
  const int right = n % 4;
  return n % 2 == 0 ? right : (right + 1) % 4;
}

struct Files {
  std::string test;  // the test file's path
  std::vector<QString> questions;  // question n's text as the window shows it, [0] unused
};

// Writes a test of `count` questions (time 60 minutes) and, to
// `journal_path`, a journal with an answer to each (PrefilledOption).
Files MakeFiles(int count, const std::string& journal_path) {
  std::mt19937 rng(12345u + static_cast<unsigned>(count));
  ProfileDocument test;
  ProfileDocument journal;
  Files files;
  files.questions.resize(static_cast<std::size_t>(count) + 1);
  test.Set("Main", "TestName", testdata::Cr(Sentence(rng, 30)));
  test.Set("Option", "QwCount", std::to_string(count));
  test.Set("Option", "Time", "60");
  static const char* const kCodes[] = {"@", "&", "%", "#"};
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
    const int right = n % 4;
    test.Set(section, "otv", kCodes[right]);
    const int given = PrefilledOption(n);
    const Text js = testdata::JournalSection(n);
    journal.Set(js, testdata::journal_keys::kQuestionText, question);
    journal.Set(js, testdata::journal_keys::kGivenAnswer, options[given]);
    journal.Set(js, testdata::journal_keys::kReferenceAnswer, options[right]);
    journal.Set(js, testdata::journal_keys::kGivenOption, std::to_string(given));
  }
  files.test = (Folder() / ("test" + std::to_string(count) + ".DLL")).string();
  test.SaveAs(files.test);
  journal.SaveAs(journal_path);
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
    files = MakeFiles(count, (Folder() / "prefilled.ini").string());
    ui::OpenDialog::SetHookForTests([this](QFileDialog& d) {
      d.selectFile(QString::fromStdString(files.test));
      return true;
    });
    form->nameEdit->setText(QStringLiteral("Иванов Иван"));
    form->groupEdit->setText(QStringLiteral("ГР-11"));
    run->open();
    ui::OpenDialog::SetHookForTests({});
    form->countdown->setInterval(24 * 60 * 60 * 1000);  // no tick during the run
    run->start();
    // The journal becomes the run's own with its first recording; its
    // content is then replaced by one with an answer to every question, and
    // the run goes back to question 1.
    run->answer();
    const std::string journal = run->run().journal().Path();
    stdfs::rename(Folder() / "prefilled.ini", journal);
    form->questionScale->setValue(1);
    EventLoopTurn();
    // The run still writes the file filled above, and reads its answers.
    if (!run->run().journal().Created() || run->run().journal().Path() != journal) {
      error = "the run's journal is not the file that was filled";
    } else {
      for (const int n : {1, count / 2, count}) {
        if (run->run().journal().RecordedOption(n) != PrefilledOption(n)) error = "the filled journal is not read";
      }
    }
  }
  ~Program() {
    run->close();
    run.reset();
  }

  BenchOs os;
  Files files;
  std::string error;
  std::unique_ptr<ui::MainWindow> form;
  std::unique_ptr<ui::ReportPasswordDialog> dlg;
  std::unique_ptr<run::Controller> run;
};

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

// How many of the questions `answered` the journal holds `expected` for.
std::int64_t CountRecorded(const Program& p, const std::vector<int>& expected, const std::vector<int>& answered) {
  std::int64_t recorded = 0;
  for (const int n : answered) {
    if (p.run->run().journal().RecordedOption(n) == expected[static_cast<std::size_t>(n)]) ++recorded;
  }
  return recorded;
}

void AnswerSteps(benchmark::State& state, bool paint_window) {
  const int count = static_cast<int>(state.range(0));
  Program p(count);
  if (!p.error.empty()) {
    state.SkipWithError(p.error.c_str());
    return;
  }
  // Steps are taken from questions first .. count - 1, so that each shows a
  // question after it, never the end screen.
  const int first = count / 2;
  std::vector<int> expected(static_cast<std::size_t>(count) + 1);  // what the journal should hold
  for (int n = 1; n <= count; ++n) expected[static_cast<std::size_t>(n)] = PrefilledOption(n);
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
  Program p(count);
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
  stdfs::remove_all(Folder());
  return 0;
}
