// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up to the first painted frame: the program against bare Qt programs,
// each in a fresh process on the offscreen platform.
//
//   startup_bench [runs]     default 20: the driver. It starts this executable
//                            again once per run and kind below, interleaved
//                            (the order rotates every round), and prints the
//                            medians and the ratios.
//   startup_bench program    the program: its own main() (src/app, compiled
//                            into this executable under another name), unchanged
//   startup_bench label      a bare QLabel with one line of text, 462 x 424
//   startup_bench empty      a bare QWidget of 462 x 424, no text
//   startup_bench KIND --list  one run of KIND that also lists the paint
//                            events of the first frame (class, objectName,
//                            rectangle)
//
// In every kind, the same probe is installed when the QApplication is made
// (Q_COREAPP_STARTUP_FUNCTION, so the program needs no option or variable of
// its own): an application-wide event filter counts the paint events of the
// first window that is painted; a zero timer armed at its first paint event
// fires once that whole paint and its flush are done, and the probe then
// prints the number of paint events and the time (CLOCK_MONOTONIC, which the
// driver shares), and ends the event loop. A run that paints nothing, exits
// with another status or takes longer than 30 s fails, and the driver then
// exits with status 1.
//
// Figures per run: "frame", from just before the driver starts the process to
// the end of the first frame; "exit", to the process reaped (the event loop
// ended and everything torn down); "peak", the peak resident size of the
// process (wait4's ru_maxrss; the process is started with posix_spawn, which
// shares the driver's memory until exec, so nothing of a copy of the driver
// is counted). The phases "main" (to main() entered) and "app" (to the
// QApplication being made) split "frame".
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

// The program's main(), renamed when compiled into this executable.
int miravel_program_main(int argc, char** argv);

namespace {

std::int64_t NowNs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::int64_t& MainEnteredNs() {
  static std::int64_t ns = 0;
  return ns;
}

// --- in the measured process -------------------------------------------

class FirstFrameProbe : public QObject {
 public:
  FirstFrameProbe(std::int64_t app_ns, bool list) : QObject(qApp), app_ns_(app_ns), list_(list) {}

  bool eventFilter(QObject* target, QEvent* event) override {
    if (!done_ && event->type() == QEvent::Paint && target->isWidgetType()) {
      QWidget* top = static_cast<QWidget*>(target)->window();
      if (window_ == nullptr) {
        window_ = top;
        first_paint_ns_ = NowNs();
        // Posted now, it runs once the paint of the whole window and its
        // flush, which Qt does in one go, are over.
        QTimer::singleShot(0, this, [this] { FrameDone(); });
      }
      if (top == window_) {
        ++paints_;
        if (list_) {
          const QRect r = static_cast<QPaintEvent*>(event)->rect();
          std::printf("paint %2d %-22s %-12s %3d,%3d %3dx%-3d\n", paints_, target->metaObject()->className(),
                      qPrintable(target->objectName()), r.x(), r.y(), r.width(), r.height());
        }
      }
    }
    return QObject::eventFilter(target, event);
  }

 private:
  void FrameDone() {
    const std::int64_t frame_ns = NowNs();
    done_ = true;
    std::printf("first-frame paints=%d main=%" PRId64 " app=%" PRId64 " paint=%" PRId64 " frame=%" PRId64 "\n", paints_,
                MainEnteredNs(), app_ns_, first_paint_ns_, frame_ns);
    std::fflush(stdout);
    QCoreApplication::exit(paints_ > 0 ? 0 : 2);
  }

  std::int64_t app_ns_;
  bool list_;
  std::int64_t first_paint_ns_ = 0;
  QWidget* window_ = nullptr;
  int paints_ = 0;
  bool done_ = false;
};

enum class Probe { kNone, kCount, kList };

Probe& ProbeWanted() {
  static Probe wanted = Probe::kNone;
  return wanted;
}

void InstallProbe() {
  if (ProbeWanted() == Probe::kNone) return;
  qApp->installEventFilter(new FirstFrameProbe(NowNs(), ProbeWanted() == Probe::kList));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)

namespace {

int BareProgram(int argc, char** argv, bool with_text) {
  int qt_argc = argc > 0 ? 1 : 0;
  QApplication app(qt_argc, argv);
  if (with_text) {
    QLabel label(QStringLiteral("Регистрация пользователя"));
    label.resize(462, 424);
    label.show();
    return QApplication::exec();
  }
  QWidget window;
  window.resize(462, 424);
  window.show();
  return QApplication::exec();
}

// --- the driver ----------------------------------------------------------

struct Run {
  bool ok = false;
  int paints = 0;
  double frame_ms = 0;  // start to the first frame done
  double exit_ms = 0;  // start to the process reaped
  double main_ms = 0;  // start to main()
  double app_ms = 0;  // start to the QApplication made
  double paint_ms = 0;  // start to the first paint event
  double cpu_ms = 0;  // user and system time of the process
  double peak_mib = 0;
  std::string output;
};

double Ms(std::int64_t from, std::int64_t to) { return static_cast<double>(to - from) / 1e6; }

Run Measure(const char* self, const char* kind) {
  Run run;
  int fds[2];
  if (::pipe(fds) != 0) {
    run.output = "pipe failed";
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  std::string self_arg = self;
  std::string kind_arg = kind;
  char* args[] = {self_arg.data(), kind_arg.data(), nullptr};

  const std::int64_t start = NowNs();
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, self, &actions, nullptr, args, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    ::close(fds[0]);
    run.output = std::string("posix_spawn: ") + std::strerror(spawned);
    return run;
  }
  // Read everything the process says, for at most 30 s.
  bool timed_out = false;
  char buffer[4096];
  for (;;) {
    pollfd pfd{fds[0], POLLIN, 0};
    const int remaining = static_cast<int>(30'000 - Ms(start, NowNs()));
    if (remaining <= 0 || ::poll(&pfd, 1, remaining) == 0) {
      timed_out = true;
      ::kill(pid, SIGKILL);
      break;
    }
    const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    run.output.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fds[0]);
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  const std::int64_t reaped = NowNs();
  if (timed_out) {
    run.output += "\n(killed after 30 s)";
    return run;
  }

  run.exit_ms = Ms(start, reaped);
  run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.cpu_ms = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  const std::size_t at = run.output.find("first-frame ");
  std::int64_t main_ns = 0, app_ns = 0, paint_ns = 0, frame_ns = 0;
  if (at == std::string::npos ||
      std::sscanf(run.output.c_str() + at,
                  "first-frame paints=%d main=%" SCNd64 " app=%" SCNd64 " paint=%" SCNd64 " frame=%" SCNd64,
                  &run.paints, &main_ns, &app_ns, &paint_ns, &frame_ns) != 5)
    return run;
  run.main_ms = Ms(start, main_ns);
  run.app_ms = Ms(start, app_ns);
  run.paint_ms = Ms(start, paint_ns);
  run.frame_ms = Ms(start, frame_ns);
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && run.paints > 0;
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <typename Field>
std::vector<double> Column(const std::vector<Run>& runs, Field field) {
  std::vector<double> out;
  out.reserve(runs.size());
  for (const Run& r : runs) out.push_back(static_cast<double>(r.*field));
  return out;
}

int Drive(const char* self, int rounds) {
  const char* const kinds[] = {"program", "label", "empty"};
  constexpr int kKinds = 3;
  std::vector<Run> runs[kKinds];
  for (int round = 0; round < rounds; ++round) {
    for (int k = 0; k < kKinds; ++k) {
      const int kind = (round + k) % kKinds;  // each kind goes first in turn
      Run run = Measure(self, kinds[kind]);
      if (!run.ok) {
        std::fprintf(stderr, "startup_bench: run %d of %s failed; it printed:\n%s\n", round + 1, kinds[kind],
                     run.output.c_str());
        return 1;
      }
      runs[kind].push_back(std::move(run));
    }
  }

  std::printf("%d runs of each kind, interleaved; medians (min-max for paint events)\n\n", rounds);
  std::printf("%-8s %9s %9s %9s %9s %9s %9s %10s %7s\n", "kind", "main ms", "app ms", "paint ms", "frame ms", "exit ms",
              "cpu ms", "peak MiB", "paints");
  double frame[kKinds], peak[kKinds], exit_ms[kKinds], cpu[kKinds];
  for (int k = 0; k < kKinds; ++k) {
    const std::vector<Run>& r = runs[k];
    frame[k] = Median(Column(r, &Run::frame_ms));
    exit_ms[k] = Median(Column(r, &Run::exit_ms));
    peak[k] = Median(Column(r, &Run::peak_mib));
    cpu[k] = Median(Column(r, &Run::cpu_ms));
    const std::vector<double> paints = Column(r, &Run::paints);
    std::printf("%-8s %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %10.1f %3.0f-%.0f\n", kinds[k],
                Median(Column(r, &Run::main_ms)), Median(Column(r, &Run::app_ms)), Median(Column(r, &Run::paint_ms)),
                frame[k], exit_ms[k], cpu[k], peak[k], *std::min_element(paints.begin(), paints.end()),
                *std::max_element(paints.begin(), paints.end()));
  }
  for (int k = 1; k < kKinds; ++k)
    std::printf("%sprogram / %s: frame %.3f, exit %.3f, cpu %.3f, peak %.3f\n", k == 1 ? "\n" : "", kinds[k],
                frame[0] / frame[k], exit_ms[0] / exit_ms[k], cpu[0] / cpu[k], peak[0] / peak[k]);
  std::printf("every run painted: %zu + %zu + %zu runs\n", runs[0].size(), runs[1].size(), runs[2].size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  MainEnteredNs() = NowNs();
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "program" || what == "label" || what == "empty") {
    const bool list = argc > 2 && std::strcmp(argv[2], "--list") == 0;
    if (argc > 3 || (argc > 2 && !list)) {
      std::fprintf(stderr, "usage: startup_bench program|label|empty [--list]\n");
      return 2;
    }
    ProbeWanted() = list ? Probe::kList : Probe::kCount;
    // The measured process sees only its own name, as the program does.
    argv[1] = nullptr;  // with --list, also argv[2]: argc is 1 from here on
    if (list) argv[2] = nullptr;
    if (what == "program") return miravel_program_main(1, argv);
    return BareProgram(1, argv, what == "label");
  }
  char* end = nullptr;
  const long rounds = argc > 1 ? std::strtol(argv[1], &end, 10) : 20;
  if (argc > 2 || (argc > 1 && (*end != '\0' || rounds < 1 || rounds > 10000))) {
    std::fprintf(stderr, "usage: startup_bench [runs]   (or: program | label | empty [--list], one run)\n");
    return 2;
  }
  // Both the program and the bare windows on the offscreen platform.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  char* self = ::realpath("/proc/self/exe", nullptr);
  if (self == nullptr) {
    std::perror("startup_bench: /proc/self/exe");
    return 1;
  }
  const int status = Drive(self, static_cast<int>(rounds));
  std::free(self);
  return status;
}
