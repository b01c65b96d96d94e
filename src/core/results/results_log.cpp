// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/results_log.h"

#include <algorithm>
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

std::string Message(const std::filesystem::path& file, const std::string& why) {
  return "Не удалось записать результат в «" + DisplayPath(file) + "»: " + why;
}

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& why) {
  throw AppendError(Message(file, why));
}

// A wait as the messages give it: "10 с", "0,5 с".
std::string SecondsText(std::chrono::milliseconds wait) {
  const auto tenths = (wait.count() + 99) / 100;
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0) text += "," + std::to_string(tenths % 10);
  return text + " с";
}

[[noreturn]] void FailBusy(const std::filesystem::path& file, std::chrono::milliseconds wait) {
  Fail(file, "файл занят другой программой (например, открыт в редакторе таблиц) дольше " + SecondsText(wait));
}

// What a failed write adds to its reason when the file could not be cut back
// to its size before the row.
constexpr std::string_view kPartLeft = "; в файле могла остаться часть строки";

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

// Cuts the file back to `size` after a failed write, then fails with
// `error`, the reason of the write.
[[noreturn]] void FailTakenBack(const std::filesystem::path& file, int fd, std::uint64_t size, int error) {
  std::string why = std::generic_category().message(error);
  if (fs::TruncateTo(fd, size)) {
    ::fsync(fd);  // the size before, on disk as far as it goes
  } else {
    const int truncate_error = errno;
    why += std::string(kPartLeft) + " (" + std::generic_category().message(truncate_error) + ")";
  }
  Fail(file, why);
}

void Append(const std::filesystem::path& file, const std::string& line, std::chrono::milliseconds lock_wait) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + lock_wait;
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
    // One wait for the lock in all, also when the file is opened again.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    switch (fs::LockWholeForWriting(fd.get(), std::max(left, std::chrono::milliseconds(0)))) {
      case fs::LockResult::kLocked: break;
      case fs::LockResult::kBusy: FailBusy(file, lock_wait);
      case fs::LockResult::kFailed: FailErrno(file, errno);
    }
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
    // A write cut short (a full disk, a size limit) or a flush that fails
    // leaves the file as it was before the row.
    if (!fs::WriteAll(fd.get(), bytes)) FailTakenBack(file, fd.get(), size, errno);
    if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != ENOTSUP) FailTakenBack(file, fd.get(), size, errno);
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
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
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

using Clock = std::chrono::steady_clock;

// Sleeps a little before the next try at what another program holds, a
// longer pause each time; false once `deadline` has passed.
bool PauseUntil(Clock::time_point deadline, std::chrono::milliseconds& pause) {
  const Clock::time_point now = Clock::now();
  if (now >= deadline) return false;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) + std::chrono::milliseconds(1);
  ::Sleep(static_cast<DWORD>(std::min(pause, left).count()));
  pause = std::min(pause * 2, std::chrono::milliseconds(10));
  return true;
}

// Holds the lock on the whole file while it lives. While another program
// holds a lock on any part of it (a reader's shared one too) it tries again
// until `deadline`.
class WholeFileLock {
 public:
  WholeFileLock(HANDLE h, Clock::time_point deadline) : h_(h) {
    std::chrono::milliseconds pause(2);
    do {
      OVERLAPPED from_start = {};
      if (::LockFileEx(h_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &from_start)) {
        locked_ = true;
        return;
      }
      error_ = ::GetLastError();
      if (error_ != ERROR_LOCK_VIOLATION) return;
    } while (PauseUntil(deadline, pause));
    busy_ = true;
  }
  ~WholeFileLock() {
    if (!locked_) return;
    OVERLAPPED from_start = {};
    ::UnlockFileEx(h_, 0, MAXDWORD, MAXDWORD, &from_start);
  }
  WholeFileLock(const WholeFileLock&) = delete;
  WholeFileLock& operator=(const WholeFileLock&) = delete;
  bool locked() const { return locked_; }
  bool busy() const { return busy_; }  // others held it for the whole wait
  DWORD error() const { return error_; }  // why it was not had otherwise

 private:
  HANDLE h_;
  bool locked_ = false;
  bool busy_ = false;
  DWORD error_ = 0;
};

// Opens the log for appending, creating it when it is missing; the others
// may read, append and remove meanwhile. A reparse point (a link) is opened
// itself, not followed, and refused by the caller. Where the account may
// write the file's data too, a failed write can be taken back; where it may
// only append, the file is opened for that. A program that holds the file
// open without sharing it (a spreadsheet) is waited for until `deadline`;
// `busy` then tells that the wait ran out.
HANDLE OpenLog(const std::filesystem::path& file, Clock::time_point deadline, bool& busy) {
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  std::chrono::milliseconds pause(2);
  do {
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ | FILE_APPEND_DATA | FILE_WRITE_DATA, kShare, nullptr,
                             OPEN_ALWAYS, kFlags, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED)
      h = ::CreateFileW(file.c_str(), GENERIC_READ | FILE_APPEND_DATA, kShare, nullptr, OPEN_ALWAYS, kFlags, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    const DWORD error = ::GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return h;
  } while (PauseUntil(deadline, pause));
  busy = true;
  return INVALID_HANDLE_VALUE;
}

// Cuts the file back to `size` after a failed write, then fails with
// `error`, the reason of the write.
[[noreturn]] void FailTakenBack(const std::filesystem::path& file, HANDLE h, LONGLONG size, DWORD error) {
  std::string why = SystemMessage(error);
  FILE_END_OF_FILE_INFO end = {};
  end.EndOfFile.QuadPart = size;
  if (::SetFileInformationByHandle(h, FileEndOfFileInfo, &end, sizeof end)) {
    ::FlushFileBuffers(h);  // the size before, on disk as far as it goes
  } else {
    why += std::string(kPartLeft) + " (" + SystemMessage(::GetLastError()) + ")";
  }
  Fail(file, why);
}

void Append(const std::filesystem::path& file, const std::string& line, std::chrono::milliseconds lock_wait) {
  const Clock::time_point deadline = Clock::now() + lock_wait;
  bool busy = false;
  Handle h(OpenLog(file, deadline, busy));
  if (busy) FailBusy(file, lock_wait);
  if (!h.valid()) FailLastError(file);
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!::GetFileInformationByHandle(h.get(), &info)) FailLastError(file);
  if (::GetFileType(h.get()) != FILE_TYPE_DISK ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    Fail(file, "это не обычный файл");
  const WholeFileLock lock(h.get(), deadline);
  if (lock.busy()) FailBusy(file, lock_wait);
  if (!lock.locked()) Fail(file, SystemMessage(lock.error()));
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
  // A write cut short (a full disk, a quota) or a flush that fails leaves
  // the file as it was before the row.
  std::string_view rest = bytes;
  while (!rest.empty()) {
    OVERLAPPED at_end = {};
    at_end.Offset = 0xFFFFFFFFu;  // both all ones: at the end of the file
    at_end.OffsetHigh = 0xFFFFFFFFu;
    DWORD written = 0;
    if (!::WriteFile(h.get(), rest.data(), static_cast<DWORD>(rest.size()), &written, &at_end))
      FailTakenBack(file, h.get(), size.QuadPart, ::GetLastError());
    if (written == 0) FailTakenBack(file, h.get(), size.QuadPart, ERROR_WRITE_FAULT);
    rest.remove_prefix(written);
  }
  if (!::FlushFileBuffers(h.get())) FailTakenBack(file, h.get(), size.QuadPart, ::GetLastError());
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
  row.test_title = cp1251::ToUtf8(run.header().title);
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

std::string NoAnswerMessage(const std::filesystem::path& folder, std::chrono::milliseconds wait) {
  return Message(folder / std::string(kFileName), "папка результатов не ответила за " + SecondsText(wait));
}

void AppendRow(const std::filesystem::path& folder, const ResultRow& row, std::chrono::milliseconds lock_wait) {
  Append(folder / std::string(kFileName), RowLine(row), lock_wait);
}

}  // namespace miravel::results
