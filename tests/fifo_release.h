// SPDX-License-Identifier: GPL-3.0-or-later
// For tests of what must never wait on a FIFO: while a FifoRelease lives, a
// thread stands by to release, after 5 s, whatever blocked opening `fifo`
// (it opens the FIFO itself, which lets a waiting open return), so that a
// fault makes the test slow and failed instead of hanging it.
#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

class FifoRelease {
 public:
  explicit FifoRelease(std::string fifo)
      : fifo_(std::move(fifo)), thread_([this] {
          for (int i = 0; i < 50 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
          if (done_) return;
          const int fd = ::open(fifo_.c_str(), O_RDWR | O_NONBLOCK);
          if (fd >= 0) ::close(fd);
        }) {}
  ~FifoRelease() {
    done_ = true;
    thread_.join();
  }
  FifoRelease(const FifoRelease&) = delete;
  FifoRelease& operator=(const FifoRelease&) = delete;

 private:
  std::string fifo_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};
#endif
