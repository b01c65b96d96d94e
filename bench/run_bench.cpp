// Benchmarks of a test run on the real windows (offscreen platform): one
// answer step and the report, on generated tests of 100 and 10,000 questions
// whose journal already holds an answer to every question.
//
//   BM_AnswerStep/N   Button3Click on a question in the middle of an
//                     N-question test (the journal recording and the next
//                     question shown), then the event loop's turn that paints
//                     it
//   BM_Report/N       OpenReport with the right password: Otchet of all N
//                     questions into Memo1 and the totals, then the event
//                     loop's turn that lays out and paints it
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileDialog>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "platform/cp1251.h"
#include "platform/os_services.h"
#include "platform/profile_file.h"
#include "run/controller.h"
#include "testdata/cipher.h"
#include "testdata/journal.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
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
  static const char* const kWords[] = {"фараон", "пирамида", "река", "Нил", "храм", "жрец",
                                       "папирус", "династия", "Мемфис", "Фивы", "писец",
                                       "гробница", "обелиск", "сфинкс", "бог", "Ра"};
  Text out;
  while (out.size() < bytes) {
    if (!out.empty()) out += ' ';
    out += cp1251::FromUtf8(kWords[rng() % 16]);
  }
  return out + '?';
}

// Writes a test of `count` questions (time 60 minutes) and a journal with an
// answer to each, every other one right; returns the test's path.
std::string MakeFiles(int count, const std::string& journal_path) {
  std::mt19937 rng(12345u + static_cast<unsigned>(count));
  ProfileDocument test;
  ProfileDocument journal;
  test.Set("Main", "TestName", testdata::Cr(Sentence(rng, 30)));
  test.Set("Option", "QwCount", std::to_string(count));
  test.Set("Option", "Time", "60");
  static const char* const kCodes[] = {"@", "&", "%", "#"};
  for (int n = 1; n <= count; ++n) {
    const std::string section = "qw " + std::to_string(n);
    const Text question = Sentence(rng, 60 + rng() % 90);
    Text options[4];
    test.Set(section, "QwText", testdata::Cr(question));
    for (int k = 0; k < 4; ++k) {
      options[k] = Sentence(rng, 10 + rng() % 30);
      test.Set(section, "va" + std::to_string(k), testdata::Cr(options[k]));
    }
    const int right = n % 4;
    test.Set(section, "otv", kCodes[right]);
    const int given = n % 2 == 0 ? right : (right + 1) % 4;
    const Text js = testdata::JournalSection(n);
    journal.Set(js, testdata::journal_keys::kQuestionText, question);
    journal.Set(js, testdata::journal_keys::kGivenAnswer, options[given]);
    journal.Set(js, testdata::journal_keys::kReferenceAnswer, options[right]);
    journal.Set(js, testdata::journal_keys::kGivenOption, std::to_string(given));
  }
  const std::string path = (Folder() / ("test" + std::to_string(count) + ".DLL")).string();
  test.SaveAs(path);
  journal.SaveAs(journal_path);
  return path;
}

// One program with a test of `count` questions started.
struct Program {
  explicit Program(int count) {
    form = std::make_unique<TForm1>();
    run = std::make_unique<run::Controller>(*form, os);
    run->FormCreate();
    dlg = std::make_unique<TPasswordDlg>();
    run->AttachPasswordDlg(*dlg);
    form->show();
    while (form->windowHandle() == nullptr || !form->windowHandle()->isExposed())
      QApplication::processEvents();
    // The journal becomes the run's own with its first recording; its
    // content is then replaced by one with an answer to every question.
    run->Scors(1);
    const std::string test = MakeFiles(count, run->Journal->Path());
    ui::OpenDialog::SetHookForTests([&test](QFileDialog& d) {
      d.selectFile(QString::fromStdString(test));
      return true;
    });
    form->Edit1->setText(QStringLiteral("Иванов Иван"));
    form->Edit2->setText(QStringLiteral("ГР-11"));
    run->Button1Click();
    ui::OpenDialog::SetHookForTests({});
    form->Timer1->SetInterval(24 * 60 * 60 * 1000);  // no tick during the run
    run->Button2Click();
    QApplication::processEvents();
  }
  ~Program() {
    run->FormCloseQuery();
    run.reset();
  }

  BenchOs os;
  std::unique_ptr<TForm1> form;
  std::unique_ptr<TPasswordDlg> dlg;
  std::unique_ptr<run::Controller> run;
};

void BM_AnswerStep(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Program p(count);
  const int first = count / 2;
  p.form->TrackBar1->SetPosition(first);
  int option = 0;
  for (auto _ : state) {
    p.form->RadioGroup1->SetItemIndex(option);
    p.run->Button3Click();
    QApplication::processEvents();
    option = (option + 1) % 4;
    if (p.form->TrackBar1->Position() > first + 50) {
      state.PauseTiming();
      p.form->TrackBar1->SetPosition(first);
      QApplication::processEvents();
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnswerStep)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Report(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Program p(count);
  p.form->TrackBar1->SetPosition(count + 1);  // the end screen
  p.dlg->Password->setText(QStringLiteral("407152"));
  for (auto _ : state) {
    state.PauseTiming();
    p.form->Memo1->Clear();
    p.run->RightCount = 0;
    QApplication::processEvents();
    state.ResumeTiming();
    p.run->OpenReport();
    QApplication::processEvents();
  }
  if (p.form->Memo1->LineCount() != 3 * (count / 2) + 6 * (count - count / 2)) {
    state.SkipWithError("the report has the wrong number of lines");
  }
  state.counters["lines"] = p.form->Memo1->LineCount();
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
