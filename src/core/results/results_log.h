// SPDX-License-Identifier: GPL-3.0-or-later
// The class results log: one row per shown report, appended to results.csv
// in a folder the site names (often a network share that the whole classroom
// writes at once).
//
// The file is what spreadsheet programs in a Russian locale open as it is:
// UTF-8 with a byte-order mark at the start, fields separated by ";", quoted
// as RFC 4180 quotes them (a field holding ";", '"', CR or LF is put in
// quotes, inner quotes doubled), lines ended by CR LF, and a header line
// first. A text field that a spreadsheet would take for a formula (it starts
// with "=", "+", "-", "@", a tab or CR) gets an apostrophe in front, so that
// a name typed by a student is never run as a formula.
//
// Each row is written whole, in one write, while the whole file is locked for
// writing (fcntl on POSIX systems, LockFileEx on Windows), so that rows of
// many programs appending at once never mix, and the byte-order mark and the
// header are written once, by whoever finds the file empty. The lock is
// waited for a bounded time only: any account that reads the file may hold
// a lock on it for as long as it likes. A row that cannot be written whole
// is taken back, so that the file stays as it was.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace miravel::run {
class TestRun;
}

namespace miravel::results {

// The log's file name within the results folder.
inline constexpr std::string_view kFileName = "results.csv";
// What a new log starts with: the UTF-8 byte-order mark.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// One shown report. Texts are UTF-8.
struct ResultRow {
  std::string shown_at;  // the date and time the report was shown, "10.12.2026 14:05:33"
  std::string student;
  std::string group;
  std::string test_title;
  std::string test_file;  // the test file's name, without its folder
  std::int64_t questions = 0;
  std::int64_t right = 0;
  std::int64_t wrong = 0;
  bool time_ran_out = false;
  bool journal_changed = false;  // the answer journal was changed behind the run's back
};

// The row of a run whose report is shown (the run's summary must be there).
ResultRow RowOfRun(const run::TestRun& run);

// A local date and time as the log writes it: "dd.mm.yyyy hh:mm:ss".
std::string LocalDateTimeText(std::chrono::system_clock::time_point when);

// One field as it stands in a line: in quotes, with inner quotes doubled,
// when it holds ";", '"', CR or LF; as it is otherwise.
std::string QuoteField(std::string_view field);
// A text that a spreadsheet would take for a formula, with an apostrophe in
// front; any other text as it is.
std::string DefuseFormula(std::string_view text);
// A whole line: the fields quoted, joined by ";", ended by CR LF.
std::string JoinLine(const std::vector<std::string>& fields);
// The header line and the line of a row.
std::string HeaderLine();
std::string RowLine(const ResultRow& row);

// A failed append; what() says what failed and why (UTF-8).
class AppendError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The message of a row for `folder` whose append had not ended after `wait`
// (a folder on a share that does not answer).
std::string NoAnswerMessage(const std::filesystem::path& folder, std::chrono::milliseconds wait);

// How long an append waits while other programs hold a lock on the file.
inline constexpr std::chrono::milliseconds kLockWait{10000};

// Appends `row` to results.csv in `folder`. A new file is created readable by
// everyone (mode 0644: the teacher reads it) and gets the byte-order mark and
// the header line first. A link in the file's place is not followed, and what
// is not a regular file is refused (a FIFO is never waited on). The whole
// file is locked for writing while the row is written, in one write, and
// flushed to disk; a line left unfinished before is ended first, so that the
// row starts a line of its own. While other programs hold a lock on the file
// (on Windows: hold it open without sharing it, too), it waits at most
// `lock_wait`, then fails with a message that says so. When the write or the
// flush fails (a full disk), the file is cut back to its size before the
// append, still under the lock, and the message says when that failed too.
// Throws AppendError when the row could not be written.
void AppendRow(const std::filesystem::path& folder, const ResultRow& row,
               std::chrono::milliseconds lock_wait = kLockWait);

}  // namespace miravel::results
