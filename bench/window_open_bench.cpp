// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a test file near the 1 GiB limit through the real window
// (offscreen platform), against the core's own opening in the same run.
//
// The test is generated in a temporary folder (TMPDIR) at start and removed at
// the end: questions of enciphered Russian words, up to the largest size that
// is read at all (1 GiB - 1 byte), about 2.4 million questions. Each round
// measures, one after the other:
//   read    the bare whole-file read (fs::ReadWhole), the floor of any opening
//   core    what the run does on «Открыть»: a ProfileFile bound to the file
//           and the header read through the test-file reader
//   window  a fresh main window with its controller (made untimed), the name
//           and group typed; then «Открыть» clicked, the open dialog answered
//           with the file through the test seam, and the event loop's turn
//           that lays out and paints the header
// and, after the window's opening, untimed in the opening's figure:
//   start   «Начать» clicked and the event loop's turn: the question scale's
//           range set and the first question shown
// For each: wall time and CPU time (user + system, getrusage) of the process.
// Every window opening is checked: the run has the test open, and the window
// shows its title, description, question count and time, with «Начать»
// enabled; "opened" counts the openings that passed, and the first question
// after Start is checked the same way ("started"). A failed check makes the
// exit status 1.
//
//   window_open_bench [rounds]      default 3
//
// For profilers, the test can be written once and opened once, in the core or
// through the window (the function to collect: OpenInTheCore, ClickOpen):
//   window_open_bench --write FILE
//   window_open_bench --open FILE core|window
#include <sys/resource.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "platform/file_system.h"
#include "platform/os_services.h"
#include "platform/profile_file.h"
#include "run/controller.h"
#include "testdata/cipher.h"
#include "testdata/test_file.h"
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

// What the generated test holds, as the window shows it.
struct Expected {
  std::string path;
  QString title;
  QString description;
  QString comments;
  QString count;
  QString first_question;
  std::uint64_t bytes = 0;
};

QString Screen(const Text& text) { return QString::fromStdString(cp1251::ToUtf8(text)); }

// A test of questions up to just under `limit` bytes, CR LF line ends.
Expected MakeLargeTest(const std::string& path, std::uint64_t limit) {
  std::mt19937 rng(51);
  const char* const words[] = {"фараон", "пирамида", "река", "Нил", "храм", "жрец", "папирус", "династия"};
  const auto sentence = [&](std::size_t length) {
    Text out;
    while (out.size() < length) out += (out.empty() ? "" : " ") + cp1251::FromUtf8(words[rng() % 8]);
    return out;
  };
  Expected e;
  e.path = path;
  const Text title = sentence(30);
  const Text description = sentence(300);
  const Text comments = sentence(200);
  e.title = Screen(title);
  e.description = Screen(description);
  e.comments = Screen(comments);
  std::string header = "[Main]\r\nTestName=" + testdata::Cr(title) + "\r\nDesc=" + testdata::Cr(description) +
                       "\r\nKomment=" + testdata::Cr(comments) + "\r\n[Option]\r\nTime=60\r\nQwCount=";
  std::string questions;
  questions.reserve(static_cast<std::size_t>(limit));
  int n = 0;
  for (;;) {
    const Text text = sentence(120 + rng() % 200);
    std::string q = "[qw " + std::to_string(n + 1) + "]\r\nQwText=" + testdata::Cr(text) + "\r\n";
    for (int k = 0; k < 4; ++k) q += "va" + std::to_string(k) + "=" + testdata::Cr(sentence(20 + rng() % 40)) + "\r\n";
    q += "otv=&\r\n";
    // Room for the count's digits and its line end.
    if (header.size() + 12 + questions.size() + q.size() >= limit) break;
    if (n == 0) e.first_question = Screen(text);
    questions += q;
    ++n;
  }
  e.count = QString::number(n);
  header += std::to_string(n) + "\r\n";
  std::ofstream out(path, std::ios::binary);
  out.write(header.data(), static_cast<std::streamsize>(header.size()));
  out.write(questions.data(), static_cast<std::streamsize>(questions.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  e.bytes = header.size() + questions.size();
  return e;
}

// Wall and CPU time of one piece of work.
struct Figures {
  double wall_ms = 0;
  double cpu_ms = 0;
};

double CpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

template <typename Work>
Figures Measure(Work work) {
  const double cpu = CpuMs();
  const auto start = std::chrono::steady_clock::now();
  work();
  Figures f;
  f.wall_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  f.cpu_ms = CpuMs() - cpu;
  return f;
}

// The event loop's turn after a handler: what changed is laid out and
// painted, and what was left for deletion is deleted.
void EventLoopTurn() {
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct Round {
  Figures read;
  Figures core;
  Figures window;
  Figures start;
  bool opened = false;
  bool started = false;
};

// The header as the core's opening reads it.
struct Header {
  Text title, description, comments, count;
  std::int32_t minutes = 0;
};

// What the run does on «Открыть»: a ProfileFile bound to the file, and the
// header read through the test-file reader. Named for profilers
// (callgrind --toggle-collect='*OpenInTheCore*').
[[gnu::noinline]] std::unique_ptr<ProfileFile> OpenInTheCore(const std::string& path, Header& header) {
  auto file = std::make_unique<ProfileFile>(path);
  const testdata::TestFileReader reader(*file);
  header.title = reader.TestName();
  header.description = reader.Description();
  header.comments = reader.Comments();
  header.count = reader.QuestionCountText();
  header.minutes = reader.TimeMinutes();
  return file;
}

// The program's windows as it starts, with the name and the group typed.
struct Program {
  Program() {
    form = std::make_unique<ui::MainWindow>();
    controller = std::make_unique<run::Controller>(*form, os);
    dlg = std::make_unique<ui::ReportPasswordDialog>();
    controller->attachPasswordDialog(*dlg);
    form->show();
    while (form->windowHandle() == nullptr || !form->windowHandle()->isExposed()) QApplication::processEvents();
    form->nameEdit->setText(QStringLiteral("Иванов Иван"));
    form->groupEdit->setText(QStringLiteral("ГР-11"));
    EventLoopTurn();
  }
  ~Program() {
    controller->close();
    controller.reset();
    dlg.reset();
    form.reset();
    EventLoopTurn();
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // «Открыть» clicked, the open dialog answered with `path`, and the event
  // loop's turn that lays out and paints the header. Named for profilers
  // (callgrind --toggle-collect='*ClickOpen*').
  [[gnu::noinline]] void ClickOpen(const std::string& path) {
    ui::FileDialog::SetNextAnswer([&](QFileDialog& d) {
      ++dialogs;
      d.selectFile(QFile::decodeName(QByteArray::fromStdString(path)));
      return true;
    });
    form->openButton->click();
    EventLoopTurn();
  }
  // Whether the run has the test at `path` open and the window shows a
  // header read from it.
  bool Opened(const std::string& path) const {
    const QString title = form->testNameLabel->text();
    return dialogs == 1 && controller->run().stage() == run::Stage::kTestOpen && controller->run().testFile() == path &&
           form->startButton->isEnabled() && title != QStringLiteral("---тест не выбран---") &&
           title != QStringLiteral("Ошибка открытия теста");
  }

  BenchOs os;
  std::unique_ptr<ui::MainWindow> form;
  std::unique_ptr<run::Controller> controller;
  std::unique_ptr<ui::ReportPasswordDialog> dlg;
  int dialogs = 0;
};

Round MeasureRound(const Expected& e) {
  Round r;
  std::size_t read_bytes = 0;
  std::optional<fs::FileContent> content;
  r.read = Measure([&] {
    content = fs::ReadWhole(e.path);
    read_bytes = content ? content->bytes.size() : 0;
  });
  content.reset();
  if (read_bytes != e.bytes) std::fprintf(stderr, "the bare read got %zu bytes\n", read_bytes);
  // The file is let go after the clock stops, as the window's is.
  std::unique_ptr<ProfileFile> core_file;
  Header h;
  r.core = Measure([&] { core_file = OpenInTheCore(e.path, h); });
  core_file.reset();
  if (Screen(h.title) != e.title || Screen(h.description) != e.description || Screen(h.comments) != e.comments ||
      Screen(h.count) != e.count || h.minutes != 60)
    std::fprintf(stderr, "the core's opening did not read the header\n");

  Program p;
  r.window = Measure([&] { p.ClickOpen(e.path); });
  const ui::MainWindow& w = *p.form;
  r.opened = p.Opened(e.path) && w.testNameLabel->text() == e.title && w.descriptionLabel->text() == e.description &&
             w.commentsLabel->text() == e.comments && w.questionCountLabel->text() == e.count &&
             w.timeLabel->text() == QStringLiteral("60") && w.timeGauge->maximum() == 3600;

  p.form->countdown->setInterval(24 * 60 * 60 * 1000);  // no tick during the run
  r.start = Measure([&] {
    p.form->startButton->click();
    EventLoopTurn();
  });
  r.started = p.controller->run().stage() == run::Stage::kAnswering &&
              w.questionScale->maximum() == e.count.toInt() + 1 &&
              w.questionNumberLabel->text() == QStringLiteral("1") && w.questionLabel->text() == e.first_question &&
              w.optionGroup->optionTexts().size() == 4;
  return r;
}

// For profilers: one opening of a test written before with --write, in the
// core or through the window; prints its time, and fails unless it opened.
int OpenOnce(const std::string& path, const std::string& kind) {
  bool opened = false;
  Figures f;
  if (kind == "core") {
    Header h;
    std::unique_ptr<ProfileFile> file;
    f = Measure([&] { file = OpenInTheCore(path, h); });
    opened = h.title != cp1251::FromUtf8("Ошибка открытия теста");
  } else {
    Program p;
    f = Measure([&] { p.ClickOpen(path); });
    opened = p.Opened(path);
  }
  std::printf("%s opening: %.0f ms wall, %.0f ms cpu, %s\n", kind.c_str(), f.wall_ms, f.cpu_ms,
              opened ? "opened" : "NOT opened");
  return opened ? 0 : 1;
}

double Median(std::vector<Round> rounds, Figures Round::*which, double Figures::*field) {
  std::sort(rounds.begin(), rounds.end(),
            [&](const Round& a, const Round& b) { return a.*which.*field < b.*which.*field; });
  return rounds[rounds.size() / 2].*which.*field;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string first = argc > 1 ? argv[1] : "";
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  if (first == "--write" && argc == 3) {
    const Expected e = MakeLargeTest(argv[2], fs::kMaxFileSize - 1);
    std::printf("%s: %s questions, %llu bytes\n", argv[2], e.count.toUtf8().constData(),
                static_cast<unsigned long long>(e.bytes));
    return 0;
  }
  if (first == "--open" && argc == 4 && (std::string(argv[3]) == "core" || std::string(argv[3]) == "window")) {
    Folder() = stdfs::path(argv[2]).parent_path();  // the journal's folder; no journal is made
    return OpenOnce(argv[2], argv[3]);
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::random_device rd;
  Folder() = stdfs::temp_directory_path() / ("miravel-window-open-bench-" + std::to_string(rd()));
  stdfs::create_directories(Folder());
  const Expected e = MakeLargeTest((Folder() / "large.DLL").string(), fs::kMaxFileSize - 1);
  std::printf("test of %s questions, %llu bytes (%.1f MiB)\n", e.count.toUtf8().constData(),
              static_cast<unsigned long long>(e.bytes), static_cast<double>(e.bytes) / (1024.0 * 1024.0));
  std::printf("%5s | %-19s | %-19s | %-19s | %-19s\n", "round", "read: wall / cpu", "core: wall / cpu",
              "window: wall / cpu", "start: wall / cpu");
  std::vector<Round> all;
  int opened = 0;
  int started = 0;
  for (int i = 0; i < rounds; ++i) {
    all.push_back(MeasureRound(e));
    const Round& r = all.back();
    opened += r.opened ? 1 : 0;
    started += r.started ? 1 : 0;
    std::printf("%5d | %7.0f / %7.0f ms | %7.0f / %7.0f ms | %7.0f / %7.0f ms | %7.1f / %7.1f ms%s\n", i + 1,
                r.read.wall_ms, r.read.cpu_ms, r.core.wall_ms, r.core.cpu_ms, r.window.wall_ms, r.window.cpu_ms,
                r.start.wall_ms, r.start.cpu_ms, r.opened && r.started ? "" : "  (check failed)");
    std::fflush(stdout);
  }
  std::printf("%5s | %7.0f / %7.0f ms | %7.0f / %7.0f ms | %7.0f / %7.0f ms | %7.1f / %7.1f ms\n", "med",
              Median(all, &Round::read, &Figures::wall_ms), Median(all, &Round::read, &Figures::cpu_ms),
              Median(all, &Round::core, &Figures::wall_ms), Median(all, &Round::core, &Figures::cpu_ms),
              Median(all, &Round::window, &Figures::wall_ms), Median(all, &Round::window, &Figures::cpu_ms),
              Median(all, &Round::start, &Figures::wall_ms), Median(all, &Round::start, &Figures::cpu_ms));
  std::printf("opened %d of %d, started %d of %d\n", opened, rounds, started, rounds);
  stdfs::remove_all(Folder());
  return opened == rounds && started == rounds ? 0 : 1;
}
