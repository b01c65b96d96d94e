// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include "platform/cp1251.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace miravel::fs {

namespace {
std::atomic<unsigned> g_temp_counter{0};
}  // namespace

#ifndef _WIN32

namespace {

FileStamp FromStat(const struct stat& st) {
  FileStamp s;
  s.exists = true;
  s.regular = S_ISREG(st.st_mode);
  s.size = static_cast<std::uint64_t>(st.st_size);
  s.device = static_cast<std::uint64_t>(st.st_dev);
  s.inode = static_cast<std::uint64_t>(st.st_ino);
  s.modified_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.changed_ns = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

}  // namespace

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

int FileDescriptor::Close() {
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0 ? 0 : errno;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

LockResult LockWholeForWriting(int fd, std::chrono::milliseconds wait) {
  using Clock = std::chrono::steady_clock;
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end, however long the file grows
  const Clock::time_point deadline = Clock::now() + wait;
  // Short pauses first, since a row is written in a moment; a little longer
  // ones while a reader keeps the file.
  std::chrono::milliseconds pause(2);
  constexpr std::chrono::milliseconds kLongestPause(10);
  for (;;) {
    if (::fcntl(fd, F_SETLK, &lock) == 0) return LockResult::kLocked;
    if (errno == EINTR) continue;
    if (errno != EACCES && errno != EAGAIN) return LockResult::kFailed;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return LockResult::kBusy;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, kLongestPause);
  }
}

bool TruncateTo(int fd, std::uint64_t size) {
  while (::ftruncate(fd, static_cast<off_t>(size)) != 0)
    if (errno != EINTR) return false;
  return true;
}

FileStamp Stamp(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return FromStat(st);
}

std::optional<FileContent> ReadWhole(const std::string& path) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer. The kind is
  // checked on the open file, so what is read is what was checked.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) return std::nullopt;
  for (int attempt = 0; attempt < 3; ++attempt) {
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > kMaxFileSize) return std::nullopt;
    FileContent out;
    out.stamp = FromStat(st);
    // One byte more than the file holds: filling it means the file grew
    // while it was read, and it is read again from the start.
    out.bytes.resize(static_cast<std::size_t>(size) + 1);
    std::size_t got = 0;
    while (got < out.bytes.size()) {
      const ssize_t n = ::pread(fd.get(), out.bytes.data() + got, out.bytes.size() - got, static_cast<off_t>(got));
      if (n < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got <= size) {
      out.bytes.resize(got);
      return out;
    }
  }
  return std::nullopt;  // still growing
}

// Makes a rename in `path`'s folder durable. Failure is not an error: some
// file systems cannot sync a folder.
void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

bool WriteReplacing(const std::string& path, std::string_view bytes) {
  struct stat old {};
  const bool had_old = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // Replacing a file: the new one is private from its first byte and then
  // gets exactly the old one's permissions, never wider ones. A new file
  // gets the usual ones (the umask decides).
  const mode_t create_mode = had_old ? 0600 : 0666;
  std::string temp;
  int raw = -1;
  for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
    temp = path + ".~" + std::to_string(::getpid()) + "-" + std::to_string(g_temp_counter++);
    raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, create_mode);
    if (raw < 0 && errno != EEXIST) return false;
  }
  if (raw < 0) return false;
  FileDescriptor fd(raw);
  bool ok = WriteAll(fd.get(), bytes);
  if (ok && had_old) ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
  // On disk before it takes the old file's place, so that a power cut leaves
  // the old file or the new one, never an empty one.
  if (ok) ok = ::fsync(fd.get()) == 0;
  ok = fd.Close() == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolderOf(path);
  return true;
}

std::string PathForDisplay(const std::string& path) { return path; }

#else  // _WIN32: paths are Windows-1251 bytes given to the ANSI functions.

namespace {

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool Close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

// FILETIME and the other 100-nanosecond counts in nanoseconds.
std::int64_t Nanoseconds(std::uint64_t ticks) { return static_cast<std::int64_t>(ticks) * 100; }
std::int64_t Nanoseconds(FILETIME t) { return Nanoseconds((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime); }

// The stamp of an open file, and its attributes; false when the system
// gives nothing.
bool StampOf(HANDLE h, FileStamp& s, DWORD& attributes) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return false;
  s.exists = true;
  s.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && GetFileType(h) == FILE_TYPE_DISK;
  s.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  s.device = info.dwVolumeSerialNumber;
  s.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  s.modified_ns = Nanoseconds(info.ftLastWriteTime);
  // The change time (content or attributes) where the file system keeps
  // one; the creation time otherwise.
  FILE_BASIC_INFO basic{};
  s.changed_ns = GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)
                     ? Nanoseconds(static_cast<std::uint64_t>(basic.ChangeTime.QuadPart))
                     : Nanoseconds(info.ftCreationTime);
  attributes = info.dwFileAttributes;
  return true;
}

bool WriteAll(HANDLE h, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD put = 0;
    const DWORD chunk = bytes.size() > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(bytes.size());
    if (!WriteFile(h, bytes.data(), chunk, &put, nullptr) || put == 0) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

// Renames `from` over `to` in one step. `to_attributes` are those of the
// file at `to`. A hidden or system file is replaced like any other (so Wine
// does); should a file system refuse, the marks are taken off the old file
// for the rename (the new file carries them already) and put back if it
// still fails.
bool MoveOver(const std::string& from, const std::string& to, DWORD to_attributes) {
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExA(from.c_str(), to.c_str(), kFlags)) return true;
  constexpr DWORD kMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  if (GetLastError() != ERROR_ACCESS_DENIED || (to_attributes & kMarks) == 0) return false;
  const DWORD unmarked = (to_attributes & ~kMarks) != 0 ? to_attributes & ~kMarks : FILE_ATTRIBUTE_NORMAL;
  if (!SetFileAttributesA(to.c_str(), unmarked)) return false;
  if (MoveFileExA(from.c_str(), to.c_str(), kFlags)) return true;
  SetFileAttributesA(to.c_str(), to_attributes);
  return false;
}

}  // namespace

FileStamp Stamp(const std::string& path) {
  // No access asked: this opens files that others hold open, and folders.
  const Handle h(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FileStamp s;
  DWORD attributes = 0;
  if (h.valid() && StampOf(h.get(), s, attributes)) return s;
  // What the folder entry says, for a file that cannot be opened at all.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
  s = FileStamp{};
  s.exists = true;
  s.regular = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  s.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  s.modified_ns = Nanoseconds(data.ftLastWriteTime);
  s.changed_ns = Nanoseconds(data.ftCreationTime);
  return s;
}

std::optional<FileContent> ReadWhole(const std::string& path) {
  // Folders do not open without FILE_FLAG_BACKUP_SEMANTICS.
  const Handle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.valid() || GetFileType(h.get()) != FILE_TYPE_DISK) return std::nullopt;  // not NUL, CON, pipes
  for (int attempt = 0; attempt < 3; ++attempt) {
    FileContent out;
    DWORD attributes = 0;
    if (!StampOf(h.get(), out.stamp, attributes) || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
    if (out.stamp.size > kMaxFileSize) return std::nullopt;
    // One byte more than the file holds: filling it means the file grew
    // while it was read, and it is read again from the start.
    out.bytes.resize(static_cast<std::size_t>(out.stamp.size) + 1);
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(h.get(), start, nullptr, FILE_BEGIN)) return std::nullopt;
    std::size_t got = 0;
    while (got < out.bytes.size()) {
      DWORD n = 0;
      if (!ReadFile(h.get(), out.bytes.data() + got, static_cast<DWORD>(out.bytes.size() - got), &n, nullptr))
        return std::nullopt;
      if (n == 0) break;
      got += n;
    }
    if (got <= out.stamp.size) {
      out.bytes.resize(got);
      return out;
    }
  }
  return std::nullopt;  // still growing
}

bool WriteReplacing(const std::string& path, std::string_view bytes) {
  const DWORD old = GetFileAttributesA(path.c_str());
  const bool had_old = old != INVALID_FILE_ATTRIBUTES;
  // Windows does not let a read-only file be replaced (Wine does): refuse it
  // here, so that both behave alike.
  if (had_old && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) return false;
  std::string temp;
  HANDLE raw = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && raw == INVALID_HANDLE_VALUE; ++attempt) {
    temp = path + ".~" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(g_temp_counter++);
    raw = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (raw == INVALID_HANDLE_VALUE) return false;
  Handle h(raw);
  bool ok = WriteAll(h.get(), bytes);
  // On disk before it takes the old file's place (the move itself is
  // written through).
  if (ok) ok = FlushFileBuffers(h.get()) != 0;
  ok = h.Close() && ok;
  // The marks of the file replaced (hidden, system, archive...) stay, as the
  // permissions do on POSIX systems.
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  if (ok && had_old && (old & kKept) != 0) ok = SetFileAttributesA(temp.c_str(), old & kKept) != 0;
  if (ok) ok = MoveOver(temp, path, had_old ? old : 0);
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

std::string PathForDisplay(const std::string& path) { return cp1251::ToUtf8(path); }

#endif

}  // namespace miravel::fs
