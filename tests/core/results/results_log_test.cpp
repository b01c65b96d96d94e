// SPDX-License-Identifier: GPL-3.0-or-later
// The class results log: quoting, the lines, the row of a run, appending to
// a new and to an existing file, what is refused, and many programs
// appending at once.
#include "results/results_log.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>
#endif

#include "platform/file_system.h"
#include "platform/os_services.h"
#include "platform/profile_file.h"
#include "run/test_run.h"
#include "lock_holder.h"
#include "testdata/cipher.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace miravel::results {
namespace {

using namespace miravel::literals;
namespace stdfs = std::filesystem;

const std::string kHeader =
    "Дата и время;Ф.И.О.;Группа;Тест;Файл теста;Вопросов;Правильных;Неправильных;Время истекло;"
    "Журнал изменен в обход программы\r\n";

std::string ReadAll(const stdfs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const stdfs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// Reads ";"-separated lines ended by CR LF, quoted as RFC 4180 quotes them.
// Nothing when the text is not such lines (a stray quote, CR or LF, a last
// line without its end).
std::optional<std::vector<std::vector<std::string>>> ParseLines(std::string_view text) {
  std::vector<std::vector<std::string>> lines;
  std::vector<std::string> fields;
  std::string field;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '"') {
      ++i;
      for (;;) {
        if (i >= text.size()) return std::nullopt;
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        field += text[i++];
      }
    } else {
      while (i < text.size() && text[i] != ';' && text[i] != '\r' && text[i] != '\n') {
        if (text[i] == '"') return std::nullopt;
        field += text[i++];
      }
    }
    if (i >= text.size()) return std::nullopt;  // every line ends with CR LF
    fields.push_back(std::move(field));
    field.clear();
    if (text[i] == ';') {
      ++i;
    } else if (text.substr(i, 2) == "\r\n") {
      i += 2;
      lines.push_back(std::move(fields));
      fields.clear();
    } else {
      return std::nullopt;
    }
  }
  return lines;
}

ResultRow SampleRow(const std::string& student) {
  ResultRow row;
  row.shown_at = "10.12.2026 14:05:33";
  row.student = student;
  row.group = "ГР-11";
  row.test_title = "История";
  row.test_file = "history.DLL";
  row.questions = 14;
  row.right = 9;
  row.wrong = 5;
  row.time_ran_out = false;
  return row;
}

class ResultsFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = stdfs::temp_directory_path() / ("miravel-results-" + std::to_string(rd()));
    stdfs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    stdfs::remove_all(dir_, ec);
  }
  stdfs::path Log() const { return dir_ / "results.csv"; }

  stdfs::path dir_;
};

// --- the lines --------------------------------------------------------------------

TEST(ResultsLines, FieldsAreQuotedOnlyWhenTheyMustBe) {
  const struct {
    std::string field, line;
  } cases[] = {
      {"Иванов Иван", "Иванов Иван"},
      {"", ""},
      {"a;b", "\"a;b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"cr\ronly", "\"cr\ronly\""},
      {"lf\nonly", "\"lf\nonly\""},
      {"a,b 'c' \t", "a,b 'c' \t"},  // commas, apostrophes and tabs need no quotes
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteField(c.field), c.line) << c.field;
}

TEST(ResultsLines, TextsThatLookLikeFormulasGetAnApostrophe) {
  const struct {
    std::string text, kept;
  } cases[] = {
      {"=HYPERLINK(\"http://x\")", "'=HYPERLINK(\"http://x\")"},
      {"+7", "'+7"},
      {"-2+3", "'-2+3"},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"\tTAB", "'\tTAB"},
      {"\rCR", "'\rCR"},
      {"ГР-11", "ГР-11"},
      {"a=b", "a=b"},
      {"'already", "'already"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DefuseFormula(c.text), c.kept) << c.text;
}

TEST(ResultsLines, TheHeaderAndARowReadBackAsTheirFields) {
  EXPECT_EQ(HeaderLine(), kHeader);
  ResultRow row = SampleRow("=Петров; \"Пётр\"\r\nвторая строка");
  row.group = "-А1";
  row.time_ran_out = true;
  row.journal_changed = true;
  row.wrong = 3000000000;
  const std::string line = RowLine(row);
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
  const auto parsed = ParseLines(line);
  ASSERT_TRUE(parsed.has_value()) << line;
  ASSERT_EQ(parsed->size(), 1u);
  EXPECT_EQ(parsed->front(),
            (std::vector<std::string>{"10.12.2026 14:05:33", "'=Петров; \"Пётр\"\r\nвторая строка", "'-А1", "История",
                                      "history.DLL", "14", "9", "3000000000", "да", "да"}));
  const std::vector<std::string> fields = ParseLines(RowLine(SampleRow("Иванов")))->front();
  ASSERT_EQ(fields.size(), 10u);
  EXPECT_EQ(fields[8], "нет");
  EXPECT_EQ(fields[9], "нет");
}

TEST(ResultsLines, TheDateAndTimeAreLocal) {
  std::tm local = {};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 5;
  local.tm_hour = 7;
  local.tm_min = 8;
  local.tm_sec = 9;
  local.tm_isdst = -1;
  const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
  EXPECT_EQ(LocalDateTimeText(when), "05.03.2026 07:08:09");
}

// --- the row of a run -----------------------------------------------------------

class FolderOs : public os::SystemServices {
 public:
  explicit FolderOs(std::string folder) : folder_(std::move(folder)) {}
  std::string ProfileFolder() override { return folder_; }

 private:
  std::string folder_;
};

class NoLines : public run::ReportSink {
 public:
  void SetColor(run::ReportColor) override {}
  void AppendLine(const Text&) override {}
};

TEST_F(ResultsFolder, TheRowOfARunIsWhatItsReportShows) {
  ProfileDocument doc;
  doc.Set("Main", "TestName", testdata::Cr("История; \"Египет\""_w));
  doc.Set("Option", "QwCount", "3");
  doc.Set("Option", "Time", "1");
  for (int k = 0; k < 4; ++k)
    doc.Set("qw 1", "va" + std::to_string(k), testdata::Cr(Text("вариант "_w) + std::to_string(k)));
  doc.Set("qw 1", "otv", "@");
  const stdfs::path test = dir_ / "тест 1.DLL";
  doc.SaveAs(test.string());

  FolderOs os(dir_.string());
  run::TestRun run(os);
  EXPECT_THROW(RowOfRun(run), std::logic_error) << "no report shown yet";
  run.RegistrationChanged(true, true);
  run.Open(test.string(), Text("Иванов Иван"_w), Text("ГР-11"_w));
  run.Start();
  run.ChooseOption(0);
  run.Answer();  // question 1 right
  for (int i = 0; i <= 60; ++i) run.Tick();  // the time runs out on question 2
  NoLines report;
  const auto before = std::chrono::system_clock::now();
  run.EnterPassword(Text(run::TestRun::kReportPassword), report);
  const auto after = std::chrono::system_clock::now();

  ASSERT_TRUE(run.reportSummary().has_value());
  const run::ReportSummary& summary = *run.reportSummary();
  EXPECT_GE(summary.shown_at, before);
  EXPECT_LE(summary.shown_at, after);
  const ResultRow row = RowOfRun(run);
  EXPECT_EQ(row.shown_at, LocalDateTimeText(summary.shown_at));
  EXPECT_EQ(row.student, "Иванов Иван");
  EXPECT_EQ(row.group, "ГР-11");
  EXPECT_EQ(row.test_title, "История; \"Египет\"");
  // The name as the system holds it, shown in UTF-8 (the same bytes on Linux).
  EXPECT_EQ(row.test_file, fs::PathForDisplay(test.filename().string()));
#ifndef _WIN32
  EXPECT_EQ(row.test_file, "тест 1.DLL");
#endif
  EXPECT_EQ(row.questions, 3);
  EXPECT_EQ(row.right, 1);
  EXPECT_EQ(row.wrong, 2);
  EXPECT_TRUE(row.time_ran_out);
  EXPECT_FALSE(row.journal_changed);
}

TEST_F(ResultsFolder, TheRowTellsOfAJournalChangedBehindTheRunsBack) {
  ProfileDocument doc;
  doc.Set("Option", "QwCount", "2");
  doc.Set("qw 1", "va0", testdata::Cr("A"));
  doc.Set("qw 1", "otv", "@");
  const stdfs::path test = dir_ / "test.DLL";
  doc.SaveAs(test.string());
  FolderOs os(dir_.string());
  run::TestRun run(os);
  run.RegistrationChanged(true, true);
  run.Open(test.string(), Text("Иванов"_w), Text("ГР-11"_w));
  run.Start();
  run.ChooseOption(0);
  run.Answer();
  std::ofstream(run.journal().Path(), std::ios::binary | std::ios::app) << "[x]\r\n";
  run.Tick();  // the time (0 minutes) is up
  NoLines report;
  run.EnterPassword(Text(run::TestRun::kReportPassword), report);
  const ResultRow row = RowOfRun(run);
  EXPECT_TRUE(row.journal_changed);
  EXPECT_EQ(row.right, 1) << "graded from the run's own record";
  const std::vector<std::string> fields = ParseLines(RowLine(row))->front();
  EXPECT_EQ(fields.back(), "да");
  run.Close();
}

// --- appending --------------------------------------------------------------------

TEST_F(ResultsFolder, ANewLogGetsTheMarkAndTheHeaderOnceThenRowsFollow) {
  AppendRow(dir_, SampleRow("Иванов"));
  AppendRow(dir_, SampleRow("Петров"));
  const std::string bytes = ReadAll(Log());
  EXPECT_EQ(bytes, std::string(kByteOrderMark) + kHeader + RowLine(SampleRow("Иванов")) + RowLine(SampleRow("Петров")));
}

TEST_F(ResultsFolder, AnUnfinishedLastLineIsEndedBeforeTheRow) {
  WriteFile(Log(), std::string(kByteOrderMark) + kHeader + "10.12.2026;обрыв");
  AppendRow(dir_, SampleRow("Иванов"));
  EXPECT_EQ(ReadAll(Log()),
            std::string(kByteOrderMark) + kHeader + "10.12.2026;обрыв\r\n" + RowLine(SampleRow("Иванов")));
  // A file a spreadsheet saved without the mark keeps its start.
  WriteFile(Log(), kHeader);
  AppendRow(dir_, SampleRow("Петров"));
  EXPECT_EQ(ReadAll(Log()), kHeader + RowLine(SampleRow("Петров")));
}

#ifdef _WIN32
// A folder on a network share, as the site configuration gives it: the log
// is the share's own file, and a failure names it in full.
TEST(ResultsShare, AUncFolderIsUsedAsAFullPath) {
  const stdfs::path share(u8R"(\\miravel-no-such-server.invalid\класс\results)");
  try {
    AppendRow(share, SampleRow("Иванов"));
    FAIL() << "no error";
  } catch (const AppendError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(R"(«\\miravel-no-such-server.invalid\класс\results\results.csv»)"), std::string::npos)
        << message;
  }
}
#endif

TEST_F(ResultsFolder, AMissingFolderIsAnErrorThatNamesTheFile) {
  try {
    AppendRow(dir_ / "нет такой", SampleRow("Иванов"));
    FAIL() << "no error";
  } catch (const AppendError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find((dir_ / "нет такой" / "results.csv").string()), std::string::npos) << message;
  }
}

#ifndef _WIN32

TEST_F(ResultsFolder, ANewLogIsReadableByEveryoneWhateverTheUmask) {
  const mode_t old = ::umask(077);
  AppendRow(dir_, SampleRow("Иванов"));
  ::umask(old);
  struct stat st {};
  ASSERT_EQ(::stat(Log().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

// What is not a regular file in the log's place is refused at once and left
// as it was; a link is not followed.
TEST_F(ResultsFolder, WhatIsNoRegularFileIsRefusedAtOnce) {
  const stdfs::path target = dir_ / "target.csv";
  WriteFile(target, "kept");
  const struct {
    const char* what;
    void (*make)(const stdfs::path& log, const stdfs::path& target);
  } cases[] = {
      {"link to a file", [](const stdfs::path& log, const stdfs::path& t) { stdfs::create_symlink(t, log); }},
      {"dangling link",
       [](const stdfs::path& log, const stdfs::path& t) { stdfs::create_symlink(t.string() + "-none", log); }},
      {"FIFO", [](const stdfs::path& log, const stdfs::path&) { ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0); }},
      {"folder", [](const stdfs::path& log, const stdfs::path&) { stdfs::create_directory(log); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.make(Log(), target);
    // The append runs beside the test, so that a wait on the FIFO fails it
    // instead of hanging it.
    auto append = std::async(std::launch::async, [this] { AppendRow(dir_, SampleRow("Иванов")); });
    ASSERT_EQ(append.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_THROW(append.get(), AppendError);
    EXPECT_EQ(ReadAll(target), "kept");
    EXPECT_FALSE(stdfs::exists(target.string() + "-none"));
    stdfs::remove(Log());
  }
}

// Starts the helper program appending a row for `student` to `folder`; its
// standard input is `input`.
pid_t StartAppending(const std::string& folder, const std::string& student, int input, int other_end) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input, 0);
  posix_spawn_file_actions_addclose(&actions, other_end);
  std::vector<char*> argv = {const_cast<char*>(MIRAVEL_APPEND_HELPER), const_cast<char*>(folder.c_str()),
                             const_cast<char*>(student.c_str()), nullptr};
  pid_t pid = 0;
  const int error = posix_spawn(&pid, MIRAVEL_APPEND_HELPER, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

// A program that holds the log's lock keeps every other one waiting.
TEST_F(ResultsFolder, AnAppendWaitsWhileAnotherProgramHoldsTheLock) {
  WriteFile(Log(), std::string(kByteOrderMark) + kHeader);
  LockHolder holder(Log().string());
  ASSERT_TRUE(holder.locked());

  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  const pid_t appender = StartAppending(dir_.string(), "Иванов", start[0], start[1]);
  ASSERT_GT(appender, 0);
  ::close(start[0]);
  ::close(start[1]);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  int status = 0;
  EXPECT_EQ(::waitpid(appender, &status, WNOHANG), 0) << "the append did not wait for the lock";
  EXPECT_EQ(ReadAll(Log()), std::string(kByteOrderMark) + kHeader);

  ASSERT_TRUE(holder.Release());
  ASSERT_EQ(::waitpid(appender, &status, 0), appender);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const auto lines = ParseLines(ReadAll(Log()).substr(kByteOrderMark.size()));
  ASSERT_TRUE(lines.has_value());
  ASSERT_EQ(lines->size(), 2u);
  EXPECT_EQ(lines->back().at(1), "Иванов");
}

// Any account may hold a lock on the log for as long as it likes (a reader's
// shared lock too): an append waits for it only as long as it may, then fails
// with a message that says so, and the file stays as it was.
TEST_F(ResultsFolder, AnAppendWaitsForAnotherProgramsLockOnlyAsLongAsItMay) {
  const std::string before = std::string(kByteOrderMark) + kHeader + RowLine(SampleRow("Петров"));
  WriteFile(Log(), before);
  const struct {
    const char* what;
    LockHolder::Kind kind;
  } cases[] = {{"a reader's shared lock", LockHolder::Kind::kShared}, {"a write lock", LockHolder::Kind::kWrite}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LockHolder holder(Log().string(), c.kind);
    ASSERT_TRUE(holder.locked());
    const auto start = std::chrono::steady_clock::now();
    try {
      AppendRow(dir_, SampleRow("Иванов"), std::chrono::milliseconds(300));
      ADD_FAILURE() << "no error";
    } catch (const AppendError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(Log().string()), std::string::npos) << message;
      EXPECT_NE(message.find("занят другой программой"), std::string::npos) << message;
      EXPECT_NE(message.find("дольше 0,3 с"), std::string::npos) << message;
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::seconds(3));
    EXPECT_EQ(ReadAll(Log()), before);
  }
  // With no lock held, the row goes in at once.
  AppendRow(dir_, SampleRow("Иванов"), std::chrono::milliseconds(0));
  EXPECT_EQ(ReadAll(Log()), before + RowLine(SampleRow("Иванов")));
}

// Runs the helper program to append a row for `student` to `folder` with
// files limited to `file_size_limit` bytes, so that a write fails part way as
// on a full disk; its exit status, and what it wrote to standard error (a
// pipe, which no file size limit cuts short).
struct HelperResult {
  int status = -1;
  std::string error;
};
HelperResult AppendWithSizeLimit(const stdfs::path& folder, const std::string& student, std::uint64_t file_size_limit) {
  HelperResult result;
  int error_pipe[2];
  if (::pipe(error_pipe) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, error_pipe[1], 2);
  posix_spawn_file_actions_addclose(&actions, error_pipe[0]);
  posix_spawn_file_actions_addclose(&actions, error_pipe[1]);
  const std::string folder_text = folder.string();
  const std::string limit = std::to_string(file_size_limit);
  std::vector<char*> argv = {const_cast<char*>(MIRAVEL_APPEND_HELPER), const_cast<char*>(folder_text.c_str()),
                             const_cast<char*>(student.c_str()), const_cast<char*>(limit.c_str()), nullptr};
  pid_t pid = 0;
  const int error = posix_spawn(&pid, MIRAVEL_APPEND_HELPER, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(error_pipe[1]);
  if (error == 0) {
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(error_pipe[0], buffer, sizeof buffer)) > 0)
      result.error.append(buffer, static_cast<std::size_t>(n));
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid)
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  ::close(error_pipe[0]);
  return result;
}

// A write that fails part way (a full disk; here the helper's file size
// limit) leaves the file as it was, whatever the append had to put in front
// of its row, and the error names the file and the reason. The next append
// then writes a whole row.
TEST_F(ResultsFolder, AWriteThatFailsPartWayLeavesTheFileAsItWas) {
  const std::string with_row = std::string(kByteOrderMark) + kHeader + RowLine(SampleRow("Петров"));
  const struct {
    const char* what;
    std::optional<std::string> before;  // nothing: no file yet
    std::uint64_t room;  // how many bytes the limit lets the append add
  } cases[] = {
      {"a row cut inside its date", with_row, 14},
      {"a row with no room at all", with_row, 0},
      {"the line end put after an unfinished line", with_row + "10.12.2026;обрыв", 1},
      {"the header of a new log", std::nullopt, kByteOrderMark.size() + 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    stdfs::remove(Log());
    if (c.before) WriteFile(Log(), *c.before);
    const std::uint64_t limit = (c.before ? c.before->size() : 0) + c.room;
    const HelperResult result = AppendWithSizeLimit(dir_, "Иванов", limit);
    EXPECT_EQ(result.status, 1) << result.error;
    EXPECT_NE(result.error.find(Log().string()), std::string::npos) << result.error;
    EXPECT_NE(result.error.find(std::generic_category().message(EFBIG)), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find("часть строки"), std::string::npos) << result.error;
    // A new log stays empty: the next append gives it its start.
    EXPECT_EQ(ReadAll(Log()), c.before.value_or(""));
    AppendRow(dir_, SampleRow("Иванов"));
    const std::string start = c.before ? *c.before : std::string(kByteOrderMark) + kHeader;
    const std::string line_end = c.before && c.before->back() != '\n' ? "\r\n" : "";
    EXPECT_EQ(ReadAll(Log()), start + line_end + RowLine(SampleRow("Иванов")));
  }
}

// 32 programs append at the same moment: every row is there once and whole,
// after one mark and one header.
TEST_F(ResultsFolder, ThirtyTwoProgramsAppendingAtOnceWriteThirtyTwoWholeRows) {
  constexpr int kPrograms = 32;
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  std::vector<pid_t> children;
  std::set<std::string> students;
  for (int k = 0; k < kPrograms; ++k) {
    // Names with the characters that need quotes, and long enough that a
    // row takes more than one small write if it were split.
    const std::string student = "Ученик " + std::to_string(k) + "; \"" + std::string(200, 'x') + "\"\r\nконец";
    students.insert(student);
    const pid_t pid = StartAppending(dir_.string(), student, start[0], start[1]);
    ASSERT_GT(pid, 0) << MIRAVEL_APPEND_HELPER;
    children.push_back(pid);
  }
  // All of them are waiting on the pipe: closing it lets them go together.
  ::close(start[0]);
  ::close(start[1]);
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }

  const std::string bytes = ReadAll(Log());
  ASSERT_EQ(bytes.rfind(kByteOrderMark), 0u) << "one mark, at the start";
  const auto lines = ParseLines(std::string_view(bytes).substr(kByteOrderMark.size()));
  ASSERT_TRUE(lines.has_value()) << "the file is whole lines";
  ASSERT_EQ(lines->size(), kPrograms + 1u);
  EXPECT_EQ(JoinLine(lines->front()), kHeader);
  std::set<std::string> seen;
  for (std::size_t k = 1; k < lines->size(); ++k) {
    const std::vector<std::string>& fields = (*lines)[k];
    ASSERT_EQ(fields.size(), 10u) << "row " << k;
    EXPECT_EQ(fields[0], "10.12.2026 14:05:33");
    EXPECT_EQ(fields[2], "ГР-11");
    EXPECT_EQ(fields[3], "История; \"Египет\"");
    EXPECT_EQ(fields[4], "history.DLL");
    EXPECT_EQ((std::vector<std::string>(fields.begin() + 5, fields.end())),
              (std::vector<std::string>{"14", "9", "5", "да", "нет"}));
    seen.insert(fields[1]);
  }
  EXPECT_EQ(seen, students);
}

#else

// What another program holds on the log: a reader's shared lock taken
// through a handle of its own, or the file held open without sharing it for
// writing (as a spreadsheet holds what it opened). An append waits for it
// only as long as it may, then fails with a message that says so, and the
// file stays as it was.
TEST_F(ResultsFolder, AnAppendWaitsForAnotherProgramsHoldOnlyAsLongAsItMay) {
  const std::string before = std::string(kByteOrderMark) + kHeader + RowLine(SampleRow("Петров"));
  WriteFile(Log(), before);
  const struct {
    const char* what;
    DWORD share;
    bool lock;
  } cases[] = {
      {"a reader's shared lock", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
      {"a handle that does not share writing", FILE_SHARE_READ, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const HANDLE other =
        CreateFileW(Log().c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    OVERLAPPED from_start = {};
    if (c.lock) {
      ASSERT_TRUE(LockFileEx(other, 0, 0, MAXDWORD, MAXDWORD, &from_start));
    }
    const auto start = std::chrono::steady_clock::now();
    try {
      AppendRow(dir_, SampleRow("Иванов"), std::chrono::milliseconds(300));
      ADD_FAILURE() << "no error";
    } catch (const AppendError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("занят другой программой"), std::string::npos) << message;
      EXPECT_NE(message.find("дольше 0,3 с"), std::string::npos) << message;
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::seconds(3));
    if (c.lock) UnlockFileEx(other, 0, MAXDWORD, MAXDWORD, &from_start);
    CloseHandle(other);
    EXPECT_EQ(ReadAll(Log()), before);
  }
  AppendRow(dir_, SampleRow("Иванов"), std::chrono::milliseconds(0));
  EXPECT_EQ(ReadAll(Log()), before + RowLine(SampleRow("Иванов")));
}

TEST_F(ResultsFolder, AWriteThatFailsPartWayLeavesTheFileAsItWas) {
  GTEST_SKIP() << "Windows has no per-process file size limit that makes a write fail part way";
}

#endif

}  // namespace
}  // namespace miravel::results
