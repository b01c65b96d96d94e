// SPDX-License-Identifier: GPL-3.0-or-later
// `miravel-make --set-report-password`, run as a program the way an
// administrator runs it (on a terminal of its own, or with the password on
// standard input), and the run of the program then unlocking the report with
// the new password alone.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "run/report_password.h"
#include "run/test_run.h"
#include "site/site_config.h"
#include "tool_test_support.h"
#include "lock_holder.h"
#include "unprivileged.h"

namespace miravel {
namespace {

using namespace miravel::literals;
using authoring::testing::Get;
using authoring::testing::HasLocale;
using authoring::testing::Put;
using authoring::testing::TempDir;

// The language settings of a run, as shell assignments ("LC_ALL=C
// LANGUAGE="). Unless a test is about the language, the tool speaks English.
constexpr const char* kEnglish = "LC_ALL=C LANGUAGE=";

struct ToolRun {
  int status = -1;  // exit status, -1 when the tool did not exit normally
  std::string screen;  // all that the terminal showed, or standard error
};

int ExitStatus(int wait_status) { return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1; }

// This process's environment with the assignments of `environment` (as for
// the shell: "NAME=value NAME=value") in place of the variables they name.
std::vector<std::string> EnvironmentWith(const std::string& environment) {
  std::vector<std::string> assignments;
  std::istringstream words(environment);
  for (std::string word; words >> word;) assignments.push_back(word);
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    const std::string name = variable.substr(0, variable.find('=') + 1);
    bool replaced = false;
    for (const std::string& a : assignments) replaced = replaced || a.compare(0, name.size(), name) == 0;
    if (!replaced) result.push_back(variable);
  }
  result.insert(result.end(), assignments.begin(), assignments.end());
  return result;
}

// Runs the tool on a pseudo-terminal of its own and types each of `typed`
// as a line once the screen shows the prompt before it (`prompts`, in turn).
ToolRun RunOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& prompts,
                      const std::vector<std::string>& typed, const std::string& environment = kEnglish) {
  ToolRun run;
  // Made before the fork: the child only calls exec.
  std::vector<char*> argv{const_cast<char*>(MIRAVEL_MAKE_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const std::vector<std::string> variables = EnvironmentWith(environment);
  std::vector<char*> envp;
  for (const std::string& v : variables) envp.push_back(const_cast<char*>(v.c_str()));
  envp.push_back(nullptr);
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid < 0) return run;
  if (pid == 0) {
    ::execve(MIRAVEL_MAKE_PATH, argv.data(), envp.data());
    ::_exit(127);
  }
  std::size_t next = 0;
  std::size_t seen = 0;  // what the screen held when the last line was typed
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    if (next < typed.size() && run.screen.find(prompts[next], seen) != std::string::npos) {
      const std::string line = typed[next] + "\n";
      if (::write(terminal, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
      seen = run.screen.size();
      ++next;
      continue;
    }
    pollfd ready{terminal, POLLIN, 0};
    if (::poll(&ready, 1, 200) <= 0) continue;
    char buffer[512];
    const ssize_t n = ::read(terminal, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO: the tool has ended and the terminal is gone
    run.screen.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(terminal);
  int wait_status = 0;
  ::waitpid(pid, &wait_status, 0);
  run.status = ExitStatus(wait_status);
  return run;
}

// Runs the tool through the shell with `input` on standard input; the
// screen is its standard output and error.
ToolRun RunWithInput(const TempDir& dir, const std::string& args, const std::string& input,
                     const std::string& environment = kEnglish) {
  Put(dir.File("input"), input);
  const std::string command = environment + " '" + MIRAVEL_MAKE_PATH + "' " + args + " <'" + dir.File("input") +
                              "' >'" + dir.File("screen") + "' 2>&1";
  ToolRun run;
  run.status = ExitStatus(std::system(command.c_str()));
  run.screen = Get(dir.File("screen"));
  return run;
}

// The program's run with the configuration at `config`, on a finished test:
// whether each password of `typed` (Windows-1251) unlocks the report, tried
// in turn until one does.
std::vector<bool> Unlocks(const TempDir& dir, const std::string& config, const std::vector<Text>& typed) {
  const site::LoadResult site = site::Load(config);
  EXPECT_FALSE(site.problem) << site::Describe(*site.problem);
  class Folder : public os::SystemServices {
   public:
    explicit Folder(std::string folder) : folder_(std::move(folder)) {}
    std::string ProfileFolder() override { return folder_; }

   private:
    std::string folder_;
  } os(dir.File(""));
  const std::string test = dir.File("history.DLL");
  EXPECT_EQ(std::system(
                ("'" + std::string(MIRAVEL_MAKE_PATH) + "' '" + MIRAVEL_SAMPLE_SOURCE + "' -o '" + test + "'").c_str()),
            0);
  run::TestRun run(os);
  run.SetReportPassword(site.config.report_password);
  run.RegistrationChanged(true, true);
  run.Open(test, Text("Иванов"_w), Text("А-1"_w));
  run.Start();
  run.MoveScale(run.question().scale_maximum);
  run.Answer();
  EXPECT_TRUE(run.password(run::PasswordTries::Clock::now()).shown);
  class : public run::ReportSink {
    void SetColor(run::ReportColor) override {}
    void AppendLine(const Text&) override {}
  } report;
  std::vector<bool> unlocked;
  for (const Text& password : typed) {
    run.EnterPassword(password, report);
    unlocked.push_back(run.report().box_shown);
    if (run.report().box_shown) break;
  }
  run.Close();
  return unlocked;
}

TEST(SetReportPassword, OnATerminalTheWindowThenTakesThatPasswordAlone) {
  if (!run::PasswordHashesAvailable()) GTEST_SKIP() << "built without password hashes";
  TempDir dir;
  const std::string config = dir.File("site/miravel.conf");  // its folder is made
  const ToolRun set = RunOnTerminal({"--set-report-password", "--config", config},
                                    {"New report password: ", "Type it again: "}, {"Учитель №7", "Учитель №7"});
  ASSERT_EQ(set.status, 0) << set.screen;
  EXPECT_EQ(set.screen.find("Учитель"), std::string::npos) << "echoed: " << set.screen;
  EXPECT_NE(set.screen.find("The report password is set in " + config), std::string::npos) << set.screen;
  struct stat st {};
  ASSERT_EQ(::stat(config.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  ASSERT_EQ(::stat(dir.File("site").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
  EXPECT_EQ(Unlocks(dir, config, {"407152", Text("учитель №7"_w), Text("Учитель №7"_w)}),
            (std::vector<bool>{false, false, true}));

  // Two different passwords, or none: the file stays as it was.
  const std::string before = Get(config);
  for (const auto& [first, second] : {std::pair{"Один", "Два"}, std::pair{"", ""}}) {
    const ToolRun refused = RunOnTerminal({"--set-report-password", "--config", config},
                                          {"New report password: ", "Type it again: "}, {first, second});
    EXPECT_EQ(refused.status, 1) << refused.screen;
    EXPECT_NE(refused.screen.find("nothing changed"), std::string::npos) << refused.screen;
    EXPECT_EQ(Get(config), before);
  }
}

TEST(SetReportPassword, FromStandardInputKeepingTheRestOfTheFile) {
  if (!run::PasswordHashesAvailable()) GTEST_SKIP() << "built without password hashes";
  TempDir dir;
  const std::string config = dir.File("miravel.conf");
  Put(config, "# the classroom's\n[results]\nfolder = /srv/results\ncolour = red\n[report]\npassword = old\n");
  const ToolRun set = RunWithInput(dir, "--set-report-password --password-stdin --config '" + config + "'", "Тест 2\n");
  ASSERT_EQ(set.status, 0) << set.screen;
  EXPECT_NE(set.screen.find("warning: line 4: unknown key \"colour\" in [results], ignored"), std::string::npos)
      << set.screen;
  const std::string after = Get(config);
  EXPECT_EQ(after.substr(0, after.find("password = ")),
            "# the classroom's\n[results]\nfolder = /srv/results\ncolour = red\n[report]\n");
  const site::LoadResult loaded = site::Load(config);
  EXPECT_EQ(loaded.config.results_folder, std::filesystem::path("/srv/results"));
  EXPECT_EQ(Unlocks(dir, config, {"Тест 2", Text("Тест 2"_w)}), (std::vector<bool>{false, true}))
      << "the UTF-8 bytes typed are no Windows-1251 text of the password";
}

TEST(SetReportPassword, RefusalsLeaveTheFileAsItWas) {
  TempDir dir;
  const std::string config = dir.File("miravel.conf");
  const std::string sound = "[results]\nfolder = /srv/r\n";
  struct Case {
    const char* name;
    std::string before;
    std::string args;
    std::string input;
    std::string message;
  };
  const std::string set = "--set-report-password --config '" + config + "'";
  const Case cases[] = {
      {"a broken file is not touched", "[report]\nthis is no setting\n", set + " --password-stdin", "new\n",
       "line 2: not a comment"},
      {"a file that stays broken is not written", "[results]\nfolder = /a\nfolder = /b\n", set + " --password-stdin",
       "new\n", "line 3: the key is set a second time; fix the file first"},
      {"no terminal and no --password-stdin", sound, set, "new\nnew\n", "standard input is none"},
      {"an empty password", sound, set + " --password-stdin", "\n", "an empty password is refused"},
      {"a password the window cannot take", sound, set + " --password-stdin", "日本\n",
       "cannot take the character U+65E5"},
      {"--config without --set-report-password", sound, "--config '" + config + "'", "",
       "go with --set-report-password"},
      {"--set-report-password with a source", sound, set + " lesson.txt", "", "takes no file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put(config, c.before);
    const ToolRun run = RunWithInput(dir, c.args, c.input);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.screen.find(c.message), std::string::npos) << run.screen;
    EXPECT_EQ(Get(config), c.before);
  }

  // The system's file is root's alone: anyone else is told so before being
  // asked for a password.
  const std::string screen = dir.File("unprivileged-screen");
  Put(screen, "");
  ASSERT_EQ(unprivileged::Give(screen), "");
  const unprivileged::Outcome child = unprivileged::Run([&] {
    const std::string command =
        std::string(kEnglish) + " '" + MIRAVEL_MAKE_PATH + "' --set-report-password </dev/null >'" + screen + "' 2>&1";
    return std::to_string(ExitStatus(std::system(command.c_str())));
  });
  ASSERT_EQ(child.status, unprivileged::Outcome::Status::kReturned) << child.text;
  EXPECT_EQ(child.text, "1");
  EXPECT_NE(Get(screen).find("only root can set the report password in /etc/miravel/miravel.conf"), std::string::npos)
      << Get(screen);
}

// A run of the tool with its password still to come on standard input (a
// pipe), its screen in a file.
class PendingRun {
 public:
  PendingRun(const TempDir& dir, const std::string& name, const std::string& config) : screen_(dir.File(name)) {
    const std::string command = std::string(kEnglish) + " '" + MIRAVEL_MAKE_PATH +
                                "' --set-report-password --password-stdin --config '" + config + "' >'" + screen_ +
                                "' 2>&1";
    input_ = ::popen(command.c_str(), "w");
  }
  ~PendingRun() {
    if (input_ != nullptr) Finish();
  }
  PendingRun(const PendingRun&) = delete;
  PendingRun& operator=(const PendingRun&) = delete;

  // Waits until the screen shows `text` (at most 30 s).
  bool Shows(const std::string& text) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      if (Get(screen_).find(text) != std::string::npos) return true;
      ::usleep(10'000);
    }
    return false;
  }
  void Type(const std::string& line) {
    std::fputs((line + "\n").c_str(), input_);
    std::fflush(input_);
  }
  // Waits for the end: the exit status.
  int Finish() {
    const int status = ExitStatus(::pclose(input_));
    input_ = nullptr;
    return status;
  }
  std::string screen() const { return Get(screen_); }

 private:
  std::string screen_;
  FILE* input_ = nullptr;
};

TEST(SetReportPassword, AnEditMadeMeanwhileStaysAndTwoAtOnceDoNotBothSucceed) {
  if (!run::PasswordHashesAvailable()) GTEST_SKIP() << "built without password hashes";
  if (::geteuid() != 0) GTEST_SKIP() << "the program trusts only a file of root's";
  TempDir dir;
  const std::string config = dir.File("miravel.conf");
  // The unknown key's warning shows once the tool has read the file.
  const std::string read = "warning: line ";
  Put(config, "[report]\ncolour = red\n");
  {
    PendingRun run(dir, "screen-1", config);
    ASSERT_TRUE(run.Shows(read)) << run.screen();
    // A hand edit while the tool waits for the password.
    Put(config, "[report]\ncolour = red\n[results]\nfolder = /srv/kept\n");
    run.Type("Новый 1");
    ASSERT_EQ(run.Finish(), 0) << run.screen();
  }
  EXPECT_EQ(site::Load(config).config.results_folder, std::filesystem::path("/srv/kept")) << Get(config);
  EXPECT_EQ(Unlocks(dir, config, {"407152", Text("Новый 1"_w)}), (std::vector<bool>{false, true}));

  // Two at once: the one that comes second finds the password set meanwhile
  // and changes nothing.
  PendingRun first(dir, "screen-2", config);
  PendingRun second(dir, "screen-3", config);
  ASSERT_TRUE(first.Shows(read)) << first.screen();
  ASSERT_TRUE(second.Shows(read)) << second.screen();
  first.Type("Первый");
  second.Type("Второй");
  const int first_status = first.Finish();
  const int second_status = second.Finish();
  ASSERT_EQ(first_status + second_status, 1) << first.screen() << second.screen();
  const PendingRun& loser = first_status == 1 ? first : second;
  EXPECT_NE(loser.screen().find("the report password was set by someone else meanwhile; nothing changed"),
            std::string::npos)
      << loser.screen();
  const Text winner(first_status == 0 ? "Первый"_w : "Второй"_w);
  const Text other(first_status == 0 ? "Второй"_w : "Первый"_w);
  EXPECT_EQ(Unlocks(dir, config, {Text("Новый 1"_w), other, winner}), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(site::Load(config).config.results_folder, std::filesystem::path("/srv/kept"));
}

TEST(SetReportPassword, WarnsWhenTheProgramWillNotTrustTheFile) {
  if (!run::PasswordHashesAvailable()) GTEST_SKIP() << "built without password hashes";
  TempDir dir;
  const std::string folder = dir.File("open");
  std::filesystem::create_directory(folder);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  const std::string config = folder + "/miravel.conf";
  const ToolRun run = RunWithInput(dir, "--set-report-password --password-stdin --config '" + config + "'", "new\n");
  EXPECT_EQ(run.status, 0) << run.screen;
  EXPECT_NE(run.screen.find("warning: others than root may change a folder above the file, so the program will "
                            "refuse every report password"),
            std::string::npos)
      << run.screen;
}

TEST(SetReportPassword, WaitsForTheEditLockABoundedTime) {
  if (!run::PasswordHashesAvailable()) GTEST_SKIP() << "built without password hashes";
  TempDir dir;
  const std::string config = dir.File("miravel.conf");
  Put(config, "[results]\nfolder = /srv/r\n");
  Put(config + ".lock", "");
  LockHolder other(config + ".lock");
  ASSERT_TRUE(other.locked());
  const auto start = std::chrono::steady_clock::now();
  const ToolRun run = RunWithInput(dir, "--set-report-password --password-stdin --config '" + config + "'", "new\n");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.screen.find("another program is editing the file; nothing changed, try again"), std::string::npos)
      << run.screen;
  EXPECT_EQ(Get(config), "[results]\nfolder = /srv/r\n");
  EXPECT_GE(took, std::chrono::seconds(5));
  EXPECT_LT(took, std::chrono::seconds(30));
  // Once the lock is free, the edit goes through.
  other.Release();
  EXPECT_EQ(RunWithInput(dir, "--set-report-password --password-stdin --config '" + config + "'", "new\n").status, 0);
}

#if MIRAVEL_MAKE_TRANSLATED
// Under a Russian locale the command speaks Russian, through the catalogue
// that the build compiles from po/ru.po: its prompts, its errors, the
// configuration file's problems and warnings, its success line and its part
// of --help; otherwise English. LANGUAGE picks the language only where the
// locale is not C.
TEST(SetReportPassword, SpeaksTheLanguageOfTheLocale) {
  if (!run::PasswordHashesAvailable()) GTEST_SKIP() << "built without password hashes";
  if (!HasLocale("ru_RU.UTF-8")) GTEST_SKIP() << "no ru_RU.UTF-8 locale (scripts/setup.sh generates it)";
  TempDir dir;
  const std::string config = dir.File("miravel.conf");
  struct Said {
    std::string prompts[2];
    std::string differ;
    std::string set;
    std::string broken;  // what is said of the file below
    std::string help;
  };
  const std::string broken_file =
      "[results]\nfolder = /a\ncolour = red\n[extra]\nfolder = /b\n[results]\nfolder = /c\n";
  const Said english{{"New report password: ", "Type it again: "},
                     "miravel-make: the two passwords differ; nothing changed",
                     "The report password is set in " + config + ".",
                     "miravel-make: " + config + ": warning: line 3: unknown key \"colour\" in [results], ignored\n" +
                         "miravel-make: " + config + ": warning: line 4: unknown section [extra], ignored\n" +
                         "miravel-make: " + config +
                         ": line 7: the key is set a second time; fix the file first, nothing changed\n",
                     "\nSetting the report password of this computer:\n"};
  const Said russian{{"Новый пароль отчёта: ", "Введите его ещё раз: "},
                     "miravel-make: введённые пароли не совпадают; ничего не изменено",
                     "Пароль отчёта записан в файл " + config + ".",
                     "miravel-make: " + config +
                         ": предупреждение: строка 3: неизвестный ключ «colour» в разделе [results] не учитывается\n" +
                         "miravel-make: " + config +
                         ": предупреждение: строка 4: неизвестный раздел [extra] не учитывается\n" + "miravel-make: " +
                         config + ": в строке 7 ключ задан второй раз; сначала исправьте файл, ничего не изменено\n",
                     "\nПароль отчёта на этом компьютере:\n"};
  const struct {
    const char* environment;
    const Said& said;
  } cases[] = {
      {"LC_ALL=ru_RU.UTF-8 LANGUAGE=", russian},
      {"LC_ALL= LANG=ru_RU.UTF-8 LANGUAGE=", russian},
      {"LC_ALL=ru_RU.UTF-8 LANGUAGE=en", english},
      {"LC_ALL=C LANGUAGE=ru", english},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.environment);
    std::filesystem::remove(config);
    const std::vector<std::string> args{"--set-report-password", "--config", config};
    const std::vector<std::string> prompts(std::begin(c.said.prompts), std::end(c.said.prompts));
    const ToolRun differ = RunOnTerminal(args, prompts, {"Один", "Два"}, c.environment);
    EXPECT_EQ(differ.status, 1) << differ.screen;
    EXPECT_NE(differ.screen.find(c.said.prompts[1]), std::string::npos) << differ.screen;
    EXPECT_NE(differ.screen.find(c.said.differ), std::string::npos) << differ.screen;
    EXPECT_FALSE(std::filesystem::exists(config));

    const ToolRun set = RunOnTerminal(args, prompts, {"Учитель", "Учитель"}, c.environment);
    EXPECT_EQ(set.status, 0) << set.screen;
    EXPECT_NE(set.screen.find(c.said.set), std::string::npos) << set.screen;

    Put(config, broken_file);
    const ToolRun broken =
        RunWithInput(dir, "--set-report-password --password-stdin --config '" + config + "'", "new\n", c.environment);
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.screen, c.said.broken);
    EXPECT_EQ(Get(config), broken_file);

    const ToolRun help = RunWithInput(dir, "--help", "", c.environment);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.screen.find(c.said.help), std::string::npos) << help.screen;
  }
}
#endif

}  // namespace
}  // namespace miravel

#endif  // _WIN32
