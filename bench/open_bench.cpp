// SPDX-License-Identifier: GPL-3.0-or-later
// Time and peak memory of opening a test file, as «Открыть» does: the file is
// read and indexed, and the header is read from it (title, description,
// comments, question count, time). Each opening runs in a child process of
// its own, so that its peak resident size (getrusage) is its own.
//
// Files:
//   a test of about 51 MB (generated questions, the size of a large real
//     test with pictures' worth of text)
//   a sparse file of 1 GiB - 1 byte (the largest file that is read at all),
//     which holds no test
// For each, the baseline is the bare whole-file read (fs::ReadWhole) in the
// same run; "limit" is the file's size plus 32 MiB.
//
//   open_bench [repetitions]      default 3
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "platform/file_system.h"
#include "platform/profile_file.h"
#include "testdata/cipher.h"
#include "testdata/test_file.h"

namespace {

namespace stdfs = std::filesystem;
using namespace miravel;

struct Figures {
  double milliseconds = 0;
  double peak_growth_mib = 0;  // peak resident size during the work, above the start
  long checked = 0;  // what the work saw, so that it cannot be skipped
};

long PeakKib() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Runs `work` in a child process and returns its time and peak memory.
template <typename Work>
Figures InChild(Work work) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) std::abort();
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    Figures f;
    const long before = PeakKib();
    const auto start = std::chrono::steady_clock::now();
    f.checked = work();
    f.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    f.peak_growth_mib = static_cast<double>(PeakKib() - before) / 1024.0;
    if (::write(pipe_fds[1], &f, sizeof f) != static_cast<ssize_t>(sizeof f)) ::_exit(1);
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  Figures f;
  const bool got = ::read(pipe_fds[0], &f, sizeof f) == static_cast<ssize_t>(sizeof f);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the measuring process failed\n");
    std::exit(1);
  }
  return f;
}

// What «Открыть» reads: the header, through the test-file reader.
long OpenLikeTheWindow(const std::string& path) {
  const ProfileFile file(path);
  const testdata::TestFileReader reader(file);
  const Text name = reader.TestName();
  const Text desc = reader.Description();
  const Text comments = reader.Comments();
  const Text count = reader.QuestionCountText();
  const std::int32_t minutes = reader.TimeMinutes();
  return static_cast<long>(name.size() + desc.size() + comments.size() + count.size()) + minutes;
}

long ReadOnly(const std::string& path) {
  const auto content = fs::ReadWhole(path);
  return content ? static_cast<long>(content->bytes.size()) : -1;
}

// A test of at least `bytes` bytes of generated questions.
void MakeLargeTest(const std::string& path, std::uint64_t bytes) {
  std::mt19937 rng(51);
  const char* const words[] = {"фараон", "пирамида", "река", "Нил", "храм", "жрец", "папирус", "династия"};
  const auto sentence = [&](std::size_t length) {
    Text out;
    while (out.size() < length) out += (out.empty() ? "" : " ") + cp1251::FromUtf8(words[rng() % 8]);
    return out;
  };
  std::string content = "[Main]\r\nTestName=" + testdata::Cr(sentence(30)) + "\r\n[Option]\r\nTime=60\r\nQwCount=";
  std::string questions;
  int n = 0;
  while (questions.size() + content.size() < bytes) {
    ++n;
    questions += "[qw " + std::to_string(n) + "]\r\nQwText=" + testdata::Cr(sentence(120 + rng() % 200)) + "\r\n";
    for (int k = 0; k < 4; ++k)
      questions += "va" + std::to_string(k) + "=" + testdata::Cr(sentence(20 + rng() % 40)) + "\r\n";
    questions += "otv=&\r\n";
  }
  content += std::to_string(n) + "\r\n" + questions;
  ProfileDocument(std::move(content)).SaveAs(path);
}

void Report(const char* what, const std::string& path, int repetitions) {
  const auto size = static_cast<double>(stdfs::file_size(path));
  std::vector<Figures> open;
  std::vector<Figures> read;
  for (int i = 0; i < repetitions; ++i) {
    read.push_back(InChild([&] { return ReadOnly(path); }));
    open.push_back(InChild([&] { return OpenLikeTheWindow(path); }));
  }
  const auto median = [](std::vector<Figures> v, double Figures::*field) {
    std::sort(v.begin(), v.end(), [&](const Figures& a, const Figures& b) { return a.*field < b.*field; });
    return v[v.size() / 2].*field;
  };
  const double mib = size / (1024.0 * 1024.0);
  std::printf(
      "%-22s %9.1f MiB | read only: %8.1f ms, peak +%7.1f MiB | opening: %8.1f ms, peak +%7.1f MiB"
      " (limit +%.1f MiB) | header bytes seen %ld\n",
      what, mib, median(read, &Figures::milliseconds), median(read, &Figures::peak_growth_mib),
      median(open, &Figures::milliseconds), median(open, &Figures::peak_growth_mib), mib + 32.0, open.front().checked);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::random_device rd;
  const stdfs::path dir = stdfs::temp_directory_path() / ("miravel-open-bench-" + std::to_string(rd()));
  stdfs::create_directories(dir);
  const std::string large = (dir / "large.DLL").string();
  MakeLargeTest(large, 51'000'000);
  const std::string sparse = (dir / "sparse.DLL").string();
  std::ofstream(sparse).close();
  stdfs::resize_file(sparse, fs::kMaxFileSize - 1);
  std::printf("medians of %d runs, each in a fresh process\n", repetitions);
  Report("test of 51 MB", large, repetitions);
  Report("sparse 1 GiB - 1 byte", sparse, repetitions);
  stdfs::remove_all(dir);
  return 0;
}
