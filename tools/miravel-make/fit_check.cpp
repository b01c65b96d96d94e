// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit_check.h"

#include <charconv>
#include <cstring>
#include <cstddef>
#include <cstdlib>
#include <string>

#include "messages.h"

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

extern char** environ;
#endif

namespace miravel::make {
namespace {

using authoring::Diagnostic;
using authoring::Format;
using authoring::Tr;

// The next "field: " of `line`, taken off it.
std::optional<std::string_view> Field(std::string_view& line) {
  const auto colon = line.find(": ");
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view field = line.substr(0, colon);
  line.remove_prefix(colon + 2);
  return field;
}

std::optional<long> Number(std::string_view text) {
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

#ifndef _WIN32
bool Executable(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}
#endif

}  // namespace

std::string FitCheckHelp() {
  return Tr(R"help(Checking that the texts fit the screen: when miravel-preview is installed
(beside miravel-make or on PATH), every test made is shown with the
program's windows, and each title, description, comments, question or option
that does not fit its place is warned about at its source line (how many of
its characters are hidden). --no-fit-check skips it.
)help");
}

std::optional<std::string> FindPreview() {
#ifdef _WIN32
  return std::nullopt;
#else
  constexpr const char* kName = "miravel-preview";
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::string beside = (self.parent_path() / kName).string();
    if (Executable(beside)) return beside;
  }
  const char* path = std::getenv("PATH");
  std::string_view folders = path == nullptr ? "" : path;
  while (!folders.empty()) {
    const auto colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    folders.remove_prefix(colon == std::string_view::npos ? folders.size() : colon + 1);
    if (folder.empty() || folder.front() != '/') continue;  // only absolute folders
    const std::string candidate = std::string(folder) + "/" + kName;
    if (Executable(candidate)) return candidate;
  }
  return std::nullopt;
#endif
}

std::optional<Diagnostic> FitWarning(std::string_view report_line, const authoring::TestSource& source) {
  std::string_view rest = report_line;
  const auto where = Field(rest);
  const auto what = Field(rest);
  if (!where || !what) return std::nullopt;
  // "N characters of M hidden"
  const auto of = rest.find(" characters of ");
  const auto hidden_end = rest.rfind(" hidden");
  if (of == std::string_view::npos || hidden_end == std::string_view::npos || hidden_end < of) return std::nullopt;
  const auto hidden = Number(rest.substr(0, of));
  const auto total = Number(rest.substr(of + 15, hidden_end - of - 15));
  if (!hidden || !total || hidden_end + 7 != rest.size()) return std::nullopt;
  const std::string measure =
      Format(Tr("%s of %s characters are hidden"), std::to_string(*hidden), std::to_string(*total));

  if (*where == "header") {
    if (*what == "title" && source.title_line != 0)
      return Diagnostic{source.title_line, Format(Tr("the title does not fit on the screen: %s"), measure)};
    if (*what == "description" && source.description_line != 0)
      return Diagnostic{source.description_line, Format(Tr("the description does not fit on the screen: %s"), measure)};
    if (*what == "comments" && source.comments_line != 0)
      return Diagnostic{source.comments_line, Format(Tr("the comments do not fit on the screen: %s"), measure)};
    return std::nullopt;
  }
  if (where->substr(0, 9) != "question ") return std::nullopt;
  const auto n = Number(where->substr(9));
  if (!n || *n < 1 || static_cast<std::size_t>(*n) > source.questions.size()) return std::nullopt;
  const authoring::SourceQuestion& question = source.questions[static_cast<std::size_t>(*n - 1)];
  const std::string number = std::to_string(*n);
  if (*what == "question text")
    return Diagnostic{question.line,
                      Format(Tr("the text of question %s does not fit on the screen: %s"), number, measure)};
  if (what->size() == 8 && what->substr(0, 7) == "option " && (*what)[7] >= 'A' && (*what)[7] <= 'D') {
    const auto index = static_cast<std::size_t>((*what)[7] - 'A');
    if (question.option_lines[index] == 0) return std::nullopt;
    return Diagnostic{question.option_lines[index],
                      Format(Tr("an option of question %s does not fit on the screen: %s"), number, measure)};
  }
  return std::nullopt;
}

std::vector<Diagnostic> CheckFit(const std::string& preview, const std::string& test_path,
                                 const authoring::TestSource& source) {
  std::vector<Diagnostic> warnings;
#ifdef _WIN32
  static_cast<void>(preview);
  static_cast<void>(test_path);
  static_cast<void>(source);
#else
  const auto failed = [&](const std::string& why) {
    warnings.push_back({0, Format(Tr("the texts were not checked against the screen: %s"), why)});
    return warnings;
  };
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return failed(std::strerror(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
  // The check needs no display: the offscreen platform, whatever the
  // session's own is. The preview's lines are read in English (its
  // messages follow the locale): LC_ALL=C.UTF-8 and no LANGUAGE.
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view entry(*e);
    const std::string_view name = entry.substr(0, entry.find('='));
    if (name != "QT_QPA_PLATFORM" && name != "LC_ALL" && name != "LANGUAGE") environment.emplace_back(entry);
  }
  environment.emplace_back("QT_QPA_PLATFORM=offscreen");
  environment.emplace_back("LC_ALL=C.UTF-8");
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = preview;
  std::string check = "--check";
  std::string end_of_options = "--";
  std::string test = test_path;
  char* argv[] = {program.data(), check.data(), end_of_options.data(), test.data(), nullptr};
  pid_t child = 0;
  const int spawned = posix_spawn(&child, preview.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (spawned != 0) {
    close(pipe_ends[0]);
    return failed(std::strerror(spawned));
  }
  std::string report;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(pipe_ends[0], buffer, sizeof buffer);
    if (n > 0) {
      report.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipe_ends[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // 0: every text fits; 3: some do not.
  const bool finished = WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 3);
  if (!finished)
    return failed(WIFEXITED(status)
                      ? Format(Tr("%s ended with exit status %s"), preview, std::to_string(WEXITSTATUS(status)))
                      : Format(Tr("%s did not end normally"), preview));
  std::string_view lines = report;
  while (!lines.empty()) {
    const auto end = lines.find('\n');
    if (auto warning = FitWarning(lines.substr(0, end), source)) warnings.push_back(std::move(*warning));
    lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
  }
#endif
  return warnings;
}

}  // namespace miravel::make
