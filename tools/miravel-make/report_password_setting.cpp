// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_password_setting.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string_view>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

#include "messages.h"
#include "platform/cp1251.h"
#include "platform/file_system.h"
#include "run/report_password.h"
#include "site/site_config.h"

namespace miravel::make {
namespace {

using authoring::Format;
using authoring::Tr;

constexpr int kDone = 0;
constexpr int kFailed = 1;
// Longer lines are no password anyone types.
constexpr std::size_t kMaxPasswordBytes = 4096;

int Fail(std::string_view message) {
  std::cerr << "miravel-make: " << message << '\n';
  return kFailed;
}

[[maybe_unused]] std::string ErrorText() { return std::strerror(errno); }  // POSIX only

// Reads one line from file descriptor 0 (without its "\n" or "\r\n").
// Nothing at the end of the input before any character, or on a read error.
std::optional<std::string> ReadLine(bool& too_long) {
  std::string line;
  too_long = false;
  while (true) {
    char c = 0;
#ifdef _WIN32
    const int n = _read(0, &c, 1);
#else
    const ssize_t n = ::read(0, &c, 1);
    if (n < 0 && errno == EINTR) continue;
#endif
    if (n < 0) return std::nullopt;
    if (n == 0) {
      if (line.empty()) return std::nullopt;
      break;
    }
    if (c == '\n') break;
    if (line.size() == kMaxPasswordBytes) too_long = true;
    if (!too_long) line.push_back(c);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

#ifdef _WIN32

bool InputIsTerminal() { return _isatty(0) != 0; }

// The console's echo is off while the password is typed.
class EchoOff {
 public:
  EchoOff() : input_(GetStdHandle(STD_INPUT_HANDLE)) {
    saved_ok_ = GetConsoleMode(input_, &saved_) != 0;
    if (saved_ok_) SetConsoleMode(input_, saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  }
  ~EchoOff() {
    if (saved_ok_) SetConsoleMode(input_, saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
  bool ok() const { return saved_ok_; }

 private:
  HANDLE input_;
  DWORD saved_ = 0;
  bool saved_ok_ = false;
};

#else

bool InputIsTerminal() { return ::isatty(0) != 0; }

// The terminal's settings while the echo is off, for a signal handler to put
// back before the signal ends the program.
struct termios g_saved_terminal {};

extern "C" void RestoreTerminalAndDie(int signal_number) {
  ::tcsetattr(0, TCSANOW, &g_saved_terminal);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

// The terminal's echo is off while the password is typed, and comes back
// also when Ctrl+C, a hang-up or a kill ends the command.
class EchoOff {
 public:
  EchoOff() {
    if (::tcgetattr(0, &g_saved_terminal) != 0) return;
    for (const int s : kSignals) std::signal(s, RestoreTerminalAndDie);
    struct termios quiet = g_saved_terminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;  // the Enter still ends the line on screen
    ok_ = ::tcsetattr(0, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (ok_) ::tcsetattr(0, TCSAFLUSH, &g_saved_terminal);
    for (const int s : kSignals) std::signal(s, SIG_DFL);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
  bool ok() const { return ok_; }

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  bool ok_ = false;
};

#endif

// Asks for the password on the terminal: `prompt`, then a line typed without
// echo.
std::optional<std::string> AskQuietly(std::string_view prompt, bool& too_long) {
  // The echo goes before the prompt shows: what is typed after it is never
  // echoed.
  const EchoOff quiet;
  if (!quiet.ok()) return std::nullopt;
  std::cerr << prompt << std::flush;
  return ReadLine(too_long);
}

// Why the password window could not take `password` (UTF-8), or nothing.
std::optional<std::string> Unusable(std::string_view password) {
  if (password.empty()) return Tr("an empty password is refused");
  const cp1251::StrictResult text = cp1251::FromUtf8Strict(password);
  if (text.problem && !text.problem->cp) return Tr("the password is not UTF-8 text");
  if (text.problem) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(*text.problem->cp));
    return Format(Tr("the password window cannot take the character U+%s (only characters of the Windows-1251 "
                     "code page can be typed there)"),
                  hex);
  }
  for (const char c : text.text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return Tr("the password holds a control character, which cannot be typed");
  }
  return std::nullopt;
}

// What makes the configuration file unusable, in the user's language (the
// program's window says it in the same words).
std::string ProblemText(const site::Problem& problem) {
  const std::string line = std::to_string(problem.line);
  switch (problem.kind) {
    case site::ProblemKind::kUnreadable: return Tr("the file cannot be read");
    case site::ProblemKind::kNotRegularFile: return Tr("not a regular file");
    case site::ProblemKind::kMalformedLine:
      return Format(Tr("line %s: not a comment, a \"[section]\" or a \"key = value\" line in a section (or not UTF-8)"),
                    line);
    case site::ProblemKind::kRepeatedKey: return Format(Tr("line %s: the key is set a second time"), line);
    case site::ProblemKind::kMalformedHash:
      return Format(Tr("line %s: the report password is not a password hash (set it with "
                       "miravel-make --set-report-password)"),
                    line);
    case site::ProblemKind::kNoHashSupport:
      return Format(Tr("line %s: a password hash is set, but this build cannot check hashes"), line);
    case site::ProblemKind::kMalformedFolder: return Format(Tr("line %s: the results folder is not a full path"), line);
#ifdef _WIN32
    case site::ProblemKind::kNotRootsFile: return Tr("the file belongs to another user than the administrators");
    case site::ProblemKind::kWritableByOthers: return Tr("others than the administrators may change the file");
#else
    case site::ProblemKind::kNotRootsFile: return Tr("the file belongs to another user than root");
    case site::ProblemKind::kWritableByOthers: return Tr("others than root may change the file");
#endif
    case site::ProblemKind::kLooseFolder: return Tr("others than root may change a folder above the file");
    case site::ProblemKind::kTooLarge: return Tr("the file is larger than 64 KiB");
    case site::ProblemKind::kHashCost:
      return Format(Tr("line %s: the report password hash costs too much or too little to check (t from 1 to 4, m "
                       "from 16 to 256 MiB)"),
                    line);
    case site::ProblemKind::kEmptyPasswordHash:
      return Format(Tr("line %s: the report password hash is that of an empty password"), line);
  }
  return site::Describe(problem);
}

// The warning about a section or key that the program ignores, in the
// user's language.
std::string IgnoredText(const site::Ignored& ignored) {
  const std::string line = std::to_string(ignored.line);
  if (ignored.key.empty()) return Format(Tr("line %1$s: unknown section [%2$s], ignored"), line, ignored.section);
  return Format(Tr("line %1$s: unknown key \"%2$s\" in [%3$s], ignored"), line, ignored.key, ignored.section);
}

int FailBroken(const std::string& shown, const site::Problem& problem) {
  return Fail(Format(Tr("%1$s: %2$s; fix the file first, nothing changed"), shown, ProblemText(problem)));
}

#ifdef _WIN32

// Makes the file's folder when it is missing.
bool MakeFolder(const std::string& path, std::string& error) {
  const std::size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 0) {
    const std::string folder = path.substr(0, slash);
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      error = Format(Tr("cannot create the folder %s"), folder);
      return false;
    }
  }
  return true;
}

bool WriteConfig(const std::string& path, const std::string& text, std::string& error) {
  if (!fs::WriteReplacing(path, text)) {
    error = Tr("cannot write the file");
    return false;
  }
  return true;
}

bool MayWriteSystemFile() { return true; }  // Windows refuses the write itself

#else

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the file's folder (0755) when it is missing.
bool MakeFolder(const std::string& path, std::string& error) {
  const std::string folder = FolderOf(path);
  if (::mkdir(folder.c_str(), 0755) == 0) {
    ::chmod(folder.c_str(), 0755);  // whatever the umask is
  } else if (errno != EEXIST) {
    error = Format(Tr("cannot create the folder %1$s: %2$s"), folder, ErrorText());
    return false;
  }
  return true;
}

// Replaces the file at `path` by `text` in one step (see the header).
bool WriteConfig(const std::string& path, const std::string& text, std::string& error) {
  const std::string folder = FolderOf(path);
  std::string temp = folder + "/.miravel.conf.XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);  // 0600, made exclusively
  if (fd < 0) {
    error = Format(Tr("cannot create a file in %1$s: %2$s"), folder, ErrorText());
    return false;
  }
  bool ok = WriteAll(fd, text) && ::fchmod(fd, 0644) == 0;
  if (ok && ::geteuid() == 0) ok = ::fchown(fd, 0, 0) == 0;
  // On disk before it takes the old file's place: a power cut leaves the
  // old file or the new one.
  if (ok) ok = ::fsync(fd) == 0;
  if (!ok) error = Format(Tr("cannot write %1$s: %2$s"), temp, ErrorText());
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = Format(Tr("cannot write %1$s: %2$s"), temp, ErrorText());
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    error = Format(Tr("cannot replace the file: %s"), ErrorText());
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool MayWriteSystemFile() { return ::geteuid() == 0; }

#endif

// The longest wait for another miravel-make's edit of the same file: it
// holds the lock only while it writes, after its hashing.
constexpr std::chrono::seconds kLockWait{5};

// The lock on the companion file `path` + ".lock", held from the re-reading
// of the configuration to its replacement, so that two edits at once go one
// after the other.
class EditLock {
 public:
  // Takes the lock, waiting at most kLockWait; ok() tells whether it holds.
  explicit EditLock(const std::string& path);
  ~EditLock();
  EditLock(const EditLock&) = delete;
  EditLock& operator=(const EditLock&) = delete;
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }

 private:
#ifdef _WIN32
  HANDLE file_ = INVALID_HANDLE_VALUE;
#else
  int fd_ = -1;
#endif
  bool ok_ = false;
  std::string error_;
};

#ifdef _WIN32

EditLock::EditLock(const std::string& path) {
  const std::string lock = path + ".lock";
  file_ = CreateFileA(lock.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    error_ = Format(Tr("cannot open the lock file %s"), fs::PathForDisplay(lock));
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  while (true) {
    OVERLAPPED at{};
    if (LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      ok_ = true;
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    Sleep(50);
  }
  error_ = Tr("another program is editing the file; nothing changed, try again");
}

EditLock::~EditLock() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);  // the lock goes with the handle
}

#else

EditLock::EditLock(const std::string& path) {
  const std::string lock = path + ".lock";
  fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
  if (fd_ < 0) {
    error_ = Format(Tr("cannot open the lock file %1$s: %2$s"), lock, ErrorText());
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  while (true) {
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(fd_, F_SETLK, &whole) == 0) {
      ok_ = true;
      return;
    }
    if ((errno != EACCES && errno != EAGAIN) || std::chrono::steady_clock::now() >= deadline) break;
    ::usleep(50'000);
  }
  error_ = Tr("another program is editing the file; nothing changed, try again");
}

EditLock::~EditLock() {
  if (fd_ >= 0) ::close(fd_);  // the lock goes with the descriptor
}

#endif

// The file's text as it is now: empty when there is none; nothing, with the
// reason in `error`, when it cannot be edited.
std::optional<std::string> ReadForEditing(const std::string& path, const std::string& shown, std::string& error) {
  const fs::FileStamp stamp = fs::Stamp(path);
  if (!stamp.exists) return std::string();
  if (!stamp.regular) {
    error = shown + ": " + Tr("not a regular file");
    return std::nullopt;
  }
  if (stamp.size > site::kMaxFileSize) {
    error = shown + ": " + Tr("the file is larger than 64 KiB");
    return std::nullopt;
  }
  auto content = fs::ReadWhole(path);
  if (!content) {
    error = shown + ": " + Tr("cannot read the file");
    return std::nullopt;
  }
  return std::move(content->bytes);
}

// The password rule that a file's text sets, for telling whether another
// edit set the password meanwhile.
bool SamePassword(std::string_view a, std::string_view b) {
  const site::LoadResult x = site::Parse(a);
  const site::LoadResult y = site::Parse(b);
  return x.config.report_password.kind() == y.config.report_password.kind() &&
         x.config.report_password.hash() == y.config.report_password.hash();
}

}  // namespace

std::string PasswordSettingHelp() {
  return Tr(R"help(Setting the report password of this computer:
  sudo miravel-make --set-report-password [--password-stdin] [--config FILE]
asks for the new password twice, without echo (--password-stdin: reads it
once, from the first line of standard input) and writes its hash into the
site configuration, /etc/miravel/miravel.conf, keeping the file's other
settings. Only root may write that file; --config FILE writes another one.
The program then opens the report with that password alone (man miravel).
)help");
}

int SetReportPassword(const PasswordSetting& setting) {
  if (!run::PasswordHashesAvailable())
    return Fail(Tr("this build cannot make password hashes (it was built without libsodium)"));
  const std::string path = setting.config.value_or(site::DefaultPath());
  if (path.empty()) return Fail(Tr("the folder of the site configuration cannot be found"));
  if (!setting.config && !MayWriteSystemFile())
    return Fail(Format(Tr("only root can set the report password in %s: run 'sudo miravel-make "
                          "--set-report-password' (or give --config FILE for another file)"),
                       fs::PathForDisplay(path)));
  const std::string shown = fs::PathForDisplay(path);

  // The file as it is: it must be one that can be edited.
  std::string error;
  const std::optional<std::string> read = ReadForEditing(path, shown, error);
  if (!read) return Fail(error);
  const std::string& before = *read;
  if (const auto check = site::WithReportPasswordHash(before, "-"); check.problem)
    return FailBroken(shown, *check.problem);
  for (const site::Ignored& ignored : site::Parse(before).ignored)
    std::cerr << "miravel-make: " << shown << ": " << Format(Tr("warning: %s"), IgnoredText(ignored)) << '\n';

  std::string password;
  bool too_long = false;
  if (setting.from_stdin) {
    auto line = ReadLine(too_long);
    if (!line) return Fail(Tr("no password on standard input"));
    password = std::move(*line);
  } else {
    if (!InputIsTerminal())
      return Fail(
          Tr("the new password is asked on a terminal, and standard input is none (give --password-stdin "
             "to read it from there)"));
    // TRANSLATORS: the prompt on the terminal; the password is typed after it, without echo.
    auto first = AskQuietly(Tr("New report password: "), too_long);
    if (!first) return Fail(Tr("no password was typed"));
    if (!too_long) {
      if (const auto why = Unusable(*first)) return Fail(Format(Tr("%s; nothing changed"), *why));
    }
    // TRANSLATORS: the prompt for the same password a second time.
    auto second = AskQuietly(Tr("Type it again: "), too_long);
    if (!second) return Fail(Tr("no password was typed"));
    if (*first != *second) return Fail(Tr("the two passwords differ; nothing changed"));
    password = std::move(*first);
  }
  if (too_long) return Fail(Format(Tr("the password is longer than %s bytes"), std::to_string(kMaxPasswordBytes)));
  if (const auto why = Unusable(password)) return Fail(Format(Tr("%s; nothing changed"), *why));

  // The window types Windows-1251 text and checks its UTF-8 form; a valid
  // password has the same form both ways.
  const auto hash = run::HashPassword(password);
  if (!hash) return Fail(Tr("cannot make the password hash (too little memory?)"));

  // The edit itself, under the lock: the file is read again, so that what
  // was changed in it since (by hand, or by another miravel-make) stays.
  if (!MakeFolder(path, error)) return Fail(shown + ": " + error);
  const EditLock lock(path);
  if (!lock.ok()) return Fail(shown + ": " + lock.error());
  const std::optional<std::string> now = ReadForEditing(path, shown, error);
  if (!now) return Fail(error);
  if (!SamePassword(before, *now))
    return Fail(Format(Tr("%s: the report password was set by someone else meanwhile; nothing changed"), shown));
  const site::EditResult edited = site::WithReportPasswordHash(*now, *hash);
  if (edited.problem) return FailBroken(shown, *edited.problem);
  if (const site::LoadResult after = site::Parse(edited.text); after.problem) return FailBroken(shown, *after.problem);
  if (!WriteConfig(path, edited.text, error)) return Fail(shown + ": " + error);
  // Said while the lock holds: the last to say so is the one whose password
  // holds.
  std::cout << Format(Tr("The report password is set in %s."), shown) << std::endl;
  // The program trusts the file only as root leaves it (site/site_config.h).
  if (const site::LoadResult loaded = site::Load(path); loaded.problem)
    std::cerr << "miravel-make: " << shown << ": "
              << Format(Tr("warning: %s, so the program will refuse every report password"),
                        ProblemText(*loaded.problem))
              << '\n';
  return kDone;
}

}  // namespace miravel::make
