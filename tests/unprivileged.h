// SPDX-License-Identifier: GPL-3.0-or-later
// Running part of a test as a user without special rights.
//
// Root writes into read-only folders and replaces read-only files, so a test
// of a refused write cannot make the refusal by taking rights away from its
// own process when it runs as root (as it does in CI). unprivileged::Run runs
// that part in a child process which, when the test runs as root, first
// becomes user and group 65534 (nobody and nogroup on Debian) with no
// supplementary groups; a test not run as root keeps its user in the child.
//
// The child is a fork of the test: it sees the test's objects as they are at
// the call, and nothing it changes in memory reaches the test. What the part
// wants the test to check goes back as the text it returns. Google Test's
// assertions must not be used in it (their failures would be lost with the
// child); return what was seen and check that in the test instead.
#pragma once

#ifndef _WIN32

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <string>

namespace miravel::unprivileged {

inline constexpr uid_t kUid = 65534;
inline constexpr gid_t kGid = 65534;

// Makes the file or folder `path` belong to the user that Run runs as, so
// that its permission bits alone decide what that user may do with it.
// Nothing to do when the test does not run as root. Returns the error, or an
// empty text.
inline std::string Give(const std::string& path) {
  if (::geteuid() != 0) return {};
  if (::chown(path.c_str(), kUid, kGid) == 0) return {};
  return "chown " + path + ": " + std::strerror(errno);
}

struct Outcome {
  enum class Status {
    kReturned,  // the part ran to its end; text is what it returned
    kCannotDropRights,  // the child could not give up root's rights; text says why
    kFailed,  // the part threw or the child died; text says how
  };
  Status status = Status::kFailed;
  std::string text;
};

namespace detail {

enum ExitCode { kReturned = 0, kCannotDropRights = 10, kThrew = 11 };

inline void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// In the child: gives up root's rights for good, or says why it could not.
inline std::string DropRights() {
  if (::geteuid() != 0) return {};
  if (::setgroups(0, nullptr) != 0) return std::string("setgroups: ") + std::strerror(errno);
  if (::setgid(kGid) != 0) return std::string("setgid: ") + std::strerror(errno);
  if (::setuid(kUid) != 0) return std::string("setuid: ") + std::strerror(errno);
  if (::getuid() != kUid || ::geteuid() != kUid || ::getgid() != kGid || ::getegid() != kGid)
    return "the user and group did not change";
  if (::setuid(0) == 0) return "root's rights came back";
  return {};
}

}  // namespace detail

// Runs `part` in a child process as an unprivileged user (see above) and
// waits for it.
inline Outcome Run(const std::function<std::string()>& part) {
  Outcome outcome;
  int fds[2];
  if (::pipe(fds) != 0) {
    outcome.text = std::string("pipe: ") + std::strerror(errno);
    return outcome;
  }
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t pid = ::fork();
  if (pid < 0) {
    outcome.text = std::string("fork: ") + std::strerror(errno);
    ::close(fds[0]);
    ::close(fds[1]);
    return outcome;
  }
  if (pid == 0) {
    // The child never returns into the test: _exit runs no destructors or
    // exit handlers of the test program.
    ::close(fds[0]);
    int code = detail::kReturned;
    std::string text = detail::DropRights();
    if (!text.empty()) {
      code = detail::kCannotDropRights;
    } else {
      try {
        text = part();
      } catch (const std::exception& e) {
        code = detail::kThrew;
        text = std::string("threw: ") + e.what();
      } catch (...) {
        code = detail::kThrew;
        text = "threw something that is no std::exception";
      }
    }
    detail::WriteAll(fds[1], text);
    ::close(fds[1]);
    ::_exit(code);
  }

  ::close(fds[1]);
  std::string text;
  char buffer[4096];
  while (true) {
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int wait_status = 0;
  pid_t waited;
  do waited = ::waitpid(pid, &wait_status, 0);
  while (waited < 0 && errno == EINTR);
  if (waited != pid) {
    outcome.text = std::string("waitpid: ") + std::strerror(errno);
  } else if (WIFSIGNALED(wait_status)) {
    outcome.text = "the child was killed by signal " + std::to_string(WTERMSIG(wait_status)) + "; it wrote: " + text;
  } else if (!WIFEXITED(wait_status)) {
    outcome.text = "the child did not exit";
  } else if (WEXITSTATUS(wait_status) == detail::kReturned) {
    outcome.status = Outcome::Status::kReturned;
    outcome.text = text;
  } else if (WEXITSTATUS(wait_status) == detail::kCannotDropRights) {
    outcome.status = Outcome::Status::kCannotDropRights;
    outcome.text = text;
  } else if (WEXITSTATUS(wait_status) == detail::kThrew) {
    outcome.text = text;
  } else {
    outcome.text = "the child exited with status " + std::to_string(WEXITSTATUS(wait_status)) + "; it wrote: " + text;
  }
  return outcome;
}

}  // namespace miravel::unprivileged

#endif  // !_WIN32
