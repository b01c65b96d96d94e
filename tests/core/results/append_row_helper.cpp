// SPDX-License-Identifier: GPL-3.0-or-later
// A program of the results log's tests: appends one row, whose student is the
// second argument, to results.csv in the folder given first. On POSIX systems
// it first waits until its standard input ends, so that a test can start many
// of them and let them all append at the same moment; a third argument there
// is the largest size in bytes that it may make a file (RLIMIT_FSIZE), so
// that a write fails part way as on a full disk. Status 0 when the row was
// written; otherwise the error goes to standard error and the status is 1.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#endif

#include "results/results_log.h"

int main(int argc, char** argv) {
#ifndef _WIN32
  if (argc != 3 && argc != 4) {
    std::fputs("usage: append_row_helper FOLDER STUDENT [FILE_SIZE_LIMIT]\n", stderr);
    return 2;
  }
  char byte;
  while (::read(0, &byte, 1) > 0) {
  }
  if (argc == 4) {
    // A write past the limit then fails with EFBIG instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t limit = std::strtoull(argv[3], nullptr, 10);
    const struct rlimit file_size = {limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &file_size) != 0) {
      std::perror("setrlimit");
      return 2;
    }
  }
#else
  if (argc != 3) {
    std::fputs("usage: append_row_helper FOLDER STUDENT\n", stderr);
    return 2;
  }
#endif
  miravel::results::ResultRow row;
  row.shown_at = "10.12.2026 14:05:33";
  row.student = argv[2];
  row.group = "ГР-11";
  row.test_title = "История; \"Египет\"";
  row.test_file = "history.DLL";
  row.questions = 14;
  row.right = 9;
  row.wrong = 5;
  row.time_ran_out = true;
  try {
    miravel::results::AppendRow(std::filesystem::path(argv[1]), row);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
