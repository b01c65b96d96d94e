// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file reads and replacing writes, and the stamp by which the profile
// service sees that a file changed on disk.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace miravel::fs {

// What identifies one state of a file on disk.
struct FileStamp {
  bool exists = false;
  bool regular = false;  // a regular file, not a folder, FIFO, device...
  std::uint64_t size = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t modified_ns = 0;
  std::int64_t changed_ns = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file at `path` (exists == false when there is none).
FileStamp Stamp(const std::string& path);

// Files larger than this are not read (they are no profile files).
inline constexpr std::uint64_t kMaxFileSize = std::uint64_t{1} << 30;

struct FileContent {
  std::string bytes;
  FileStamp stamp;  // the stamp of the file that was read
};
// The whole content of a regular file, or nothing when it is missing, not a
// regular file (a FIFO, device, socket or folder: never waited on), too large
// or unreadable. Needs no more memory than the file's size and one byte.
std::optional<FileContent> ReadWhole(const std::string& path);

// Replaces the file at `path` by `bytes` in one step: a new file is created
// exclusively beside it, written, flushed to disk and renamed over it, and
// the folder is flushed too, so that the new content survives a power cut.
// An existing file's permissions are kept exactly (the new file is private
// until it gets them); a new file gets the usual ones. The new file is named
// `path` + ".~<process id>-<n>" until the rename.
// Returns false on failure, leaving any existing file as it was.
bool WriteReplacing(const std::string& path, std::string_view bytes);

// The path in UTF-8, for messages (paths are the operating system's bytes).
std::string PathForDisplay(const std::string& path);

#ifndef _WIN32
// An open file descriptor, closed at the end of its scope unless closed
// before.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes it now: 0, or the error (errno) of close.
  int Close();

 private:
  int fd_;
};

// Writes all of `bytes` to `fd`, going on after interrupted writes; false
// (with errno set) on failure.
bool WriteAll(int fd, std::string_view bytes);

// What came of taking a lock.
enum class LockResult {
  kLocked,
  kBusy,  // others held a lock on the file for the whole wait
  kFailed,  // the lock cannot be had at all (errno says why)
};

// Takes a write lock (fcntl) on the whole of the file open for writing at
// `fd`, however long the file grows. While another program holds a lock on
// any part of it (a reader's shared lock too) it tries again after short
// pauses (10 ms at most, so that many programs that wait for one another
// follow each other closely) until `wait` has passed; it never waits longer.
// The lock is dropped when the file is closed.
LockResult LockWholeForWriting(int fd, std::chrono::milliseconds wait);

// Cuts the file open for writing at `fd` back to `size` bytes, going on
// after interruptions; false (with errno set) on failure.
bool TruncateTo(int fd, std::uint64_t size);
#endif

}  // namespace miravel::fs
