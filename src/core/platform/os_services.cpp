// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/os_services.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace miravel::os {

namespace {

std::mt19937 SeededFromClock() {
  const auto ticks = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
  return std::mt19937(seed);
}

}  // namespace

SystemServices::SystemServices() : generator_(SeededFromClock()) {}

unsigned SystemServices::Random(unsigned bound) {
  if (bound == 0) return 0;
  return std::uniform_int_distribution<unsigned>(0, bound - 1)(generator_);
}

#ifdef _WIN32

std::string SystemServices::ProfileFolder() {
  constexpr int kProfileFolder = 40;  // CSIDL_PROFILE
  char buffer[MAX_PATH] = {};  // 260 bytes
  if (!SHGetSpecialFolderPathA(nullptr, buffer, kProfileFolder, TRUE)) return {};
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::string SystemServices::ShortDateText() {
  char buffer[256] = {};
  const int length =
      GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer, static_cast<int>(sizeof buffer));
  if (length <= 0) return {};
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

bool SystemServices::FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void SystemServices::RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

void SystemServices::SetHidden(const std::string& path) { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN); }

Services::Creation SystemServices::CreateExclusive(const std::string& path) {
  // No sharing while it is open; the profile folder is the user's own, so
  // the file's default security keeps it the user's.
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Creation::kTaken : Creation::kFailed;
  }
  CloseHandle(h);
  return Creation::kCreated;
}

std::vector<Services::FolderEntry> SystemServices::FolderEntries(const std::string& folder) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAA found{};
  const HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return entries;
  do {
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    const std::string name = found.cFileName;
    if (name != "." && name != "..") entries.push_back({name, (found.dwFileAttributes & kNotPlain) == 0});
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return entries;
}

bool SystemServices::ProcessRunning(std::uint64_t pid) {
  if (pid > 0xFFFFFFFFu) return false;
  const HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (h == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;  // there, but another user's
  DWORD code = 0;
  const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
  CloseHandle(h);
  return running;
}

std::uint64_t SystemServices::ProcessId() { return GetCurrentProcessId(); }

#else

std::string SystemServices::ProfileFolder() {
  // $HOME wins when it names an absolute path, as on every POSIX desktop.
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
  while (true) {
    passwd entry{};
    passwd* found = nullptr;
    const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (std::size_t{1} << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || found == nullptr || found->pw_dir == nullptr) return {};
    return found->pw_dir;
  }
}

std::string SystemServices::ShortDateText() {
  // The user's time locale, taken from the environment for this call alone:
  // the program's own locale stays as it is.
  locale_t locale = ::newlocale(LC_TIME_MASK, "", locale_t{});
  if (locale == locale_t{}) locale = ::newlocale(LC_TIME_MASK, "C", locale_t{});
  if (locale == locale_t{}) return {};
  std::string text;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) != nullptr) {
    const char* format = ::nl_langinfo_l(D_FMT, locale);
    char buffer[256];
    const std::size_t length = ::strftime_l(buffer, sizeof buffer, format, &local, locale);
    text.assign(buffer, length);
  }
  ::freelocale(locale);
  return text;
}

bool SystemServices::FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void SystemServices::RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

void SystemServices::SetHidden(const std::string& /*path*/) {}

Services::Creation SystemServices::CreateExclusive(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return errno == EEXIST ? Creation::kTaken : Creation::kFailed;
  ::close(fd);
  return Creation::kCreated;
}

std::vector<Services::FolderEntry> SystemServices::FolderEntries(const std::string& folder) {
  std::vector<FolderEntry> entries;
  DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
  if (dir == nullptr) return entries;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    // The kind from the listing itself; only where the file system gives
    // none is the entry looked at.
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      regular = ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
    }
    entries.push_back({std::string(name), regular});
  }
  ::closedir(dir);
  return entries;
}

bool SystemServices::ProcessRunning(std::uint64_t pid) {
  if (pid == 0 || pid > static_cast<std::uint64_t>(INT32_MAX)) return false;
  // A process of another user answers EPERM: it is there all the same.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::uint64_t SystemServices::ProcessId() { return static_cast<std::uint64_t>(::getpid()); }

#endif

Services& System() {
  static SystemServices services;
  return services;
}

}  // namespace miravel::os
