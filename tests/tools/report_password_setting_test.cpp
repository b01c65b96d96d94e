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
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "run/report_password.h"
#include "run/test_run.h"
#include "site/site_config.h"
#include "tool_test_support.h"
#include "unprivileged.h"

namespace miravel {
namespace {

using namespace miravel::literals;
using authoring::testing::Get;
using authoring::testing::Put;
using authoring::testing::TempDir;

struct ToolRun {
  int status = -1;  // exit status, -1 when the tool did not exit normally
  std::string screen;  // all that the terminal showed, or standard error
};

int ExitStatus(int wait_status) { return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1; }

// Runs the tool on a pseudo-terminal of its own and types each of `typed`
// as a line once the screen shows the prompt before it (`prompts`, in turn).
ToolRun RunOnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& prompts,
                      const std::vector<std::string>& typed) {
  ToolRun run;
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid < 0) return run;
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>(MIRAVEL_MAKE_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(MIRAVEL_MAKE_PATH, argv.data());
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
ToolRun RunWithInput(const TempDir& dir, const std::string& args, const std::string& input) {
  Put(dir.File("input"), input);
  const std::string command = std::string("'") + MIRAVEL_MAKE_PATH + "' " + args + " <'" + dir.File("input") + "' >'" +
                              dir.File("screen") + "' 2>&1";
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
  run.MoveScale(run.scaleMaximum());
  run.Answer();
  EXPECT_TRUE(run.passwordWindowShown());
  class : public run::ReportSink {
    void SetColor(run::ReportColor) override {}
    void AppendLine(const Text&) override {}
  } report;
  std::vector<bool> unlocked;
  for (const Text& password : typed) {
    run.EnterPassword(password, report);
    unlocked.push_back(run.reportShown());
    if (run.reportShown()) break;
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
        std::string("'") + MIRAVEL_MAKE_PATH + "' --set-report-password </dev/null >'" + screen + "' 2>&1";
    return std::to_string(ExitStatus(std::system(command.c_str())));
  });
  ASSERT_EQ(child.status, unprivileged::Outcome::Status::kReturned) << child.text;
  EXPECT_EQ(child.text, "1");
  EXPECT_NE(Get(screen).find("only root can set the report password in /etc/miravel/miravel.conf"), std::string::npos)
      << Get(screen);
}

}  // namespace
}  // namespace miravel

#endif  // _WIN32
