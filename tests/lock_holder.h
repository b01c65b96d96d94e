// SPDX-License-Identifier: GPL-3.0-or-later
// For tests of what waits on a file lock: a LockHolder is another process
// that holds a lock on the whole of a file, as another program of the
// classroom would, from its making until Release() or its end: a write lock,
// or a reader's shared lock on the file opened for reading only. (The lock is
// taken in a child because a process never waits on its own locks.)
#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

class LockHolder {
 public:
  // Starts the process and waits until it has taken the lock (or failed to).
  enum class Kind { kWrite, kShared };
  explicit LockHolder(const std::string& file, Kind kind = Kind::kWrite) {
    int locked[2];
    int release[2];
    // Close-on-exec, so that no program the test starts keeps the pipes open.
    if (::pipe2(locked, O_CLOEXEC) != 0) return;
    if (::pipe2(release, O_CLOEXEC) != 0) {
      ::close(locked[0]);
      ::close(locked[1]);
      return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(file.c_str(), kind == Kind::kShared ? O_RDONLY : O_RDWR);
      struct flock lock = {};
      lock.l_type = kind == Kind::kShared ? F_RDLCK : F_WRLCK;
      lock.l_whence = SEEK_SET;
      const char done = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
      static_cast<void>(::write(locked[1], &done, 1));
      char byte;
      static_cast<void>(::read(release[0], &byte, 1));
      ::_exit(0);
    }
    char done = 0;
    locked_ = pid_ > 0 && ::read(locked[0], &done, 1) == 1 && done == 'y';
    for (int fd : {locked[0], locked[1], release[0]}) ::close(fd);
    release_ = release[1];
  }
  ~LockHolder() { Release(); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

  // Whether the process holds the lock.
  bool locked() const { return locked_; }

  // Lets the process drop the lock and end; true once it has ended.
  bool Release() {
    if (release_ >= 0) {
      static_cast<void>(::write(release_, "x", 1));
      ::close(release_);
      release_ = -1;
    }
    if (pid_ <= 0) return false;
    int status = 0;
    const bool ended = ::waitpid(pid_, &status, 0) == pid_;
    pid_ = -1;
    return ended;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};
#endif
