// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/results_log.h"

#include <cerrno>
#include <ctime>
#include <system_error>

#include "platform/cp1251.h"
#include "platform/file_system.h"
#include "run/test_run.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace miravel::results {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// A path as a message shows it (UTF-8).
std::string DisplayPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& why) {
  throw AppendError("Не удалось записать результат в «" + DisplayPath(file) + "»: " + why);
}

// What the file needs in front of the row: the byte-order mark and the header
// in an empty file, a line end after a line left unfinished.
std::string Lead(std::uint64_t size, bool ends_with_line_end) {
  if (size == 0) return std::string(kByteOrderMark) + HeaderLine();
  return ends_with_line_end ? std::string() : std::string(kLineEnd);
}

#ifndef _WIN32

[[noreturn]] void FailErrno(const std::filesystem::path& file, int error) {
  Fail(file, std::generic_category().message(error));
}

// Opens the log for appending: creates it when it is missing, else opens
// what is there, never following a link and never waiting on a FIFO.
// -1 with errno set on failure.
int OpenLog(const std::filesystem::path& file) {
  constexpr int kCommon = O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | kCommon, 0644);
    if (fd >= 0) {
      // Whatever the umask, the teacher can read it.
      ::fchmod(fd, 0644);
      return fd;
    }
    if (errno != EEXIST) return -1;
    // Read access lets a line left unfinished be found; a folder where the
    // log may only be written still gets its rows.
    fd = ::open(file.c_str(), O_RDWR | kCommon);
    if (fd < 0 && errno == EACCES) fd = ::open(file.c_str(), O_WRONLY | kCommon);
    if (fd >= 0 || errno != ENOENT) return fd;
    // Removed in the meantime: create it again.
  }
  errno = ENOENT;
  return -1;
}

bool LockWhole(int fd) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end, however long the file grows
  while (::fcntl(fd, F_SETLKW, &lock) != 0)
    if (errno != EINTR) return false;
  return true;
}

void Append(const std::filesystem::path& file, const std::string& line) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    fs::FileDescriptor fd(OpenLog(file));
    if (fd.get() < 0) {
      if (errno == ELOOP) Fail(file, "на месте файла стоит ссылка");
      if (errno == ENXIO) Fail(file, "это не обычный файл");
      FailErrno(file, errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) FailErrno(file, errno);
    if (!S_ISREG(st.st_mode)) Fail(file, "это не обычный файл");
    // Writes wait as usual from here on.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    if (!LockWhole(fd.get())) FailErrno(file, errno);
    // The file may have been removed while the lock was awaited: a row
    // written to it would be lost.
    if (::fstat(fd.get(), &st) != 0) FailErrno(file, errno);
    if (st.st_nlink == 0) continue;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    bool ends_with_line_end = true;
    if (size > 0) {
      char last = '\n';
      if (::pread(fd.get(), &last, 1, static_cast<off_t>(size - 1)) == 1) ends_with_line_end = last == '\n';
    }
    const std::string bytes = Lead(size, ends_with_line_end) + line;
    if (!fs::WriteAll(fd.get(), bytes)) FailErrno(file, errno);
    if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != ENOTSUP) FailErrno(file, errno);
    // Closing drops the lock too; an interrupted close has closed the file all the same.
    if (const int error = fd.Close(); error != 0 && error != EINTR) FailErrno(file, error);
    return;
  }
  Fail(file, "файл всё время удаляется");
}

#else  // _WIN32

// The system's text for `error` in UTF-8, as the rest of the message is (the
// narrow text would be in the ANSI code page), without its line end.
std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string utf8;
  if (length > 0 && text != nullptr) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (size > 0) {
      utf8.resize(static_cast<std::size_t>(size));
      ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size, nullptr, nullptr);
    }
  }
  if (text != nullptr) ::LocalFree(text);
  while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ')) utf8.pop_back();
  if (utf8.empty()) utf8 = "ошибка " + std::to_string(error);
  return utf8;
}

[[noreturn]] void FailLastError(const std::filesystem::path& file) { Fail(file, SystemMessage(::GetLastError())); }

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// Holds the lock on the whole file while it lives.
class WholeFileLock {
 public:
  explicit WholeFileLock(HANDLE h) : h_(h) {
    OVERLAPPED from_start = {};
    locked_ = ::LockFileEx(h_, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &from_start) != 0;
  }
  ~WholeFileLock() {
    if (!locked_) return;
    OVERLAPPED from_start = {};
    ::UnlockFileEx(h_, 0, MAXDWORD, MAXDWORD, &from_start);
  }
  WholeFileLock(const WholeFileLock&) = delete;
  WholeFileLock& operator=(const WholeFileLock&) = delete;
  bool locked() const { return locked_; }

 private:
  HANDLE h_;
  bool locked_ = false;
};

void Append(const std::filesystem::path& file, const std::string& line) {
  // Appending only; the others may read, append and remove meanwhile. A
  // reparse point (a link) is opened itself, not followed, and refused below.
  Handle h(::CreateFileW(file.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!h.valid()) FailLastError(file);
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!::GetFileInformationByHandle(h.get(), &info)) FailLastError(file);
  if (::GetFileType(h.get()) != FILE_TYPE_DISK ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    Fail(file, "это не обычный файл");
  const WholeFileLock lock(h.get());
  if (!lock.locked()) FailLastError(file);
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(h.get(), &size)) FailLastError(file);
  bool ends_with_line_end = true;
  if (size.QuadPart > 0) {
    const auto at = static_cast<ULONGLONG>(size.QuadPart - 1);
    OVERLAPPED where = {};
    where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    char last = '\n';
    DWORD read = 0;
    if (::ReadFile(h.get(), &last, 1, &read, &where) && read == 1) ends_with_line_end = last == '\n';
  }
  const std::string bytes = Lead(static_cast<std::uint64_t>(size.QuadPart), ends_with_line_end) + line;
  std::string_view rest = bytes;
  while (!rest.empty()) {
    OVERLAPPED at_end = {};
    at_end.Offset = 0xFFFFFFFFu;  // both all ones: at the end of the file
    at_end.OffsetHigh = 0xFFFFFFFFu;
    DWORD written = 0;
    if (!::WriteFile(h.get(), rest.data(), static_cast<DWORD>(rest.size()), &written, &at_end)) FailLastError(file);
    rest.remove_prefix(written);
  }
  if (!::FlushFileBuffers(h.get())) FailLastError(file);
}

#endif

}  // namespace

std::string LocalDateTimeText(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm local = {};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  char text[32];
  const std::size_t n = std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
  return std::string(text, n);
}

ResultRow RowOfRun(const run::TestRun& run) {
  if (!run.reportSummary()) throw std::logic_error("The report is not shown");
  const run::ReportSummary& summary = *run.reportSummary();
  ResultRow row;
  row.shown_at = LocalDateTimeText(summary.shown_at);
  row.student = cp1251::ToUtf8(run.fullName());
  row.group = cp1251::ToUtf8(run.group());
  row.test_title = cp1251::ToUtf8(run.title());
  const std::string file = fs::PathForDisplay(run.testFile());
#ifdef _WIN32
  const std::size_t slash = file.find_last_of("\\/");
#else
  const std::size_t slash = file.rfind('/');
#endif
  row.test_file = slash == std::string::npos ? file : file.substr(slash + 1);
  row.questions = summary.questions;
  row.right = summary.right;
  row.wrong = summary.wrong;
  row.time_ran_out = summary.time_ran_out;
  row.journal_changed = summary.journal_changed;
  return row;
}

std::string QuoteField(std::string_view field) {
  if (field.find_first_of(";\"\r\n") == std::string_view::npos) return std::string(field);
  std::string quoted = "\"";
  for (const char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string DefuseFormula(std::string_view text) {
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
    return "'" + std::string(text);
  return std::string(text);
}

std::string JoinLine(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (k > 0) line += ';';
    line += QuoteField(fields[k]);
  }
  line += kLineEnd;
  return line;
}

std::string HeaderLine() {
  return JoinLine({"Дата и время", "Ф.И.О.", "Группа", "Тест", "Файл теста", "Вопросов", "Правильных", "Неправильных",
                   "Время истекло", "Журнал изменен в обход программы"});
}

std::string RowLine(const ResultRow& row) {
  return JoinLine({row.shown_at, DefuseFormula(row.student), DefuseFormula(row.group), DefuseFormula(row.test_title),
                   DefuseFormula(row.test_file), std::to_string(row.questions), std::to_string(row.right),
                   std::to_string(row.wrong), row.time_ran_out ? "да" : "нет", row.journal_changed ? "да" : "нет"});
}

void AppendRow(const std::filesystem::path& folder, const ResultRow& row) {
  Append(folder / std::string(kFileName), RowLine(row));
}

}  // namespace miravel::results
