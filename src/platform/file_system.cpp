#include "platform/file_system.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

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
  s.size = static_cast<std::uint64_t>(st.st_size);
  s.device = static_cast<std::uint64_t>(st.st_dev);
  s.inode = static_cast<std::uint64_t>(st.st_ino);
  s.modified_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.changed_ns = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

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

}  // namespace

FileStamp Stamp(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return FromStat(st);
}

std::optional<FileContent> ReadWhole(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) return std::nullopt;
  FileContent out;
  out.stamp = FromStat(st);
  out.bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (true) {
    if (got == out.bytes.size()) {
      // The file may have grown since fstat: keep reading to its end.
      if (out.bytes.size() >= kMaxFileSize) return std::nullopt;
      out.bytes.resize(out.bytes.size() + 4096);
    }
    const ssize_t n = ::read(fd.get(), out.bytes.data() + got, out.bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  out.bytes.resize(got);
  return out;
}

bool WriteReplacing(const std::string& path, std::string_view bytes) {
  struct stat old {};
  const bool had_old = ::stat(path.c_str(), &old) == 0;
  std::string temp;
  int raw = -1;
  for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
    temp = path + ".~" + std::to_string(::getpid()) + "-" + std::to_string(g_temp_counter++);
    raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST) return false;
  }
  if (raw < 0) return false;
  Fd fd(raw);
  bool ok = WriteAll(fd.get(), bytes);
  if (ok && had_old && S_ISREG(old.st_mode)) ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
  ok = fd.Close() && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

std::string PathForDisplay(const std::string& path) { return path; }

#else  // _WIN32: paths are Windows-1251 bytes given to the ANSI functions.

FileStamp Stamp(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
  FileStamp s;
  s.exists = true;
  s.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  const auto ticks = [](FILETIME t) {
    return static_cast<std::int64_t>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) * 100;
  };
  s.modified_ns = ticks(data.ftLastWriteTime);
  s.changed_ns = ticks(data.ftCreationTime);
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(h, &info)) {
      s.device = info.dwVolumeSerialNumber;
      s.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    }
    CloseHandle(h);
  }
  return s;
}

std::optional<FileContent> ReadWhole(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FileContent> out;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h, &size) && static_cast<std::uint64_t>(size.QuadPart) <= kMaxFileSize) {
    FileContent c;
    c.bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    if (c.bytes.empty() || (ReadFile(h, c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &got, nullptr))) {
      c.bytes.resize(got);
      out = std::move(c);
    }
  }
  CloseHandle(h);
  if (out) out->stamp = Stamp(path);
  return out;
}

bool WriteReplacing(const std::string& path, std::string_view bytes) {
  const std::string temp = path + ".~" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(g_temp_counter++);
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  while (ok && !bytes.empty()) {
    DWORD put = 0;
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    ok = WriteFile(h, bytes.data(), chunk, &put, nullptr) && put > 0;
    if (ok) bytes.remove_prefix(put);
  }
  ok = CloseHandle(h) && ok;
  if (ok) ok = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

std::string PathForDisplay(const std::string& path) { return cp1251::ToUtf8(path); }

#endif

}  // namespace miravel::fs
