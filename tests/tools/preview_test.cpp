// SPDX-License-Identifier: GPL-3.0-or-later
// miravel-preview run as teachers run it: the texts that do not fit, the
// pictures and their names, the errors; and miravel-make's fit check, which
// measures as the preview does and warns at the source line of each text
// that does not fit.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "authoring/parser.h"
#include "tool_test_support.h"

namespace miravel::authoring {
namespace {

using testing::Get;
using testing::HasLocale;
using testing::Put;
using testing::TempDir;
namespace stdfs = std::filesystem;

struct ToolRun {
  int status;  // exit status, -1 when the program did not exit normally
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Runs `command` (a shell command line), by default with English messages.
ToolRun RunCommand(const TempDir& dir, const std::string& command,
                   const std::string& environment = "LANGUAGE= LC_ALL=C.UTF-8") {
  const std::string out = dir.File("stdout.log");
  const std::string err = dir.File("stderr.log");
  const std::string line = environment + " " + command + " >" + Quoted(out) + " 2>" + Quoted(err) + " </dev/null";
  const int status = std::system(line.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Get(out), Get(err)};
}

ToolRun Preview(const TempDir& dir, const std::string& args) {
  return RunCommand(dir, Quoted(MIRAVEL_PREVIEW_PATH) + " " + args);
}

// The test file made from `source`, as miravel-make makes it.
std::string MakeTest(const TempDir& dir, const std::string& name, const std::string& source) {
  const CompileResult result = Compile(source);
  EXPECT_TRUE(result.document.has_value()) << (result.errors.empty() ? "" : result.errors.front().message);
  const std::string path = dir.File(name);
  if (result.document) result.document->SaveAs(path);
  return path;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every header text is given (the description and comments empty), so that
// miravel-make warns about none of them.
const std::string kHeader = "Title: Тест\nDescription:\nComments:\nTime: 2\n\n";
const std::string kFits = kHeader + "Какая река протекает через Египет?\nA. Тигр\nB. Нил\nANSWER: B\n";
// Five short lines: the question's place shows three of them whole.
const std::string kFiveLines = "Первая строка\nвторая\nтретья\nчетвёртая\nпятая\n";
const std::string kLongOption(100, 'W');

struct ReportCase {
  const char* what;
  std::string source;
  std::vector<std::string> lines;  // "-" for the hidden count: any between 1 and the total - 1
  int status;
};

// How many characters are hidden where the count follows from the layout
// (whole lines cut off at the bottom), or that some of them are where it
// follows from the fonts (a line cut at the right edge).
TEST(PreviewReport, NamesEachTextThatDoesNotFit) {
  const ReportCase cases[] = {
      {"every text fits", kFits, {}, 0},
      {"a question of five lines",
       kHeader + kFiveLines + "A. да\nB. нет\nANSWER: A\n",
       {"question 1: question text: 14 characters of 39 hidden"},
       3},
      {"a description of three lines",
       "Title: Тест\nDescription: один\n  два\n  три\nTime: 2\n\nВопрос?\nA. да\nANSWER: A\n",
       {"header: description: 3 characters of 10 hidden"},
       3},
      {"comments of three lines, blanks at the ends not counted",
       "Title: Тест\nComments: \"один  \\nдва\\nтри   \"\nTime: 2\n\nВопрос?\nA. да\nANSWER: A\n",
       {"header: comments: 3 characters of 10 hidden"},
       3},
      {"an option too wide, in the second question",
       kHeader + "Вопрос?\nA. да\nANSWER: A\n\nЕщё вопрос?\nA. да\nB. нет\nC. " + kLongOption + "\nANSWER: A\n",
       {"question 2: option C: - characters of 100 hidden"},
       3},
      {"a title too wide",
       "Title: " + std::string(120, 'W') + "\nTime: 2\n\nВопрос?\nA. да\nANSWER: A\n",
       {"header: title: - characters of 120 hidden"},
       3},
  };
  for (const ReportCase& c : cases) {
    TempDir dir;
    const std::string test = MakeTest(dir, "test.DLL", c.source);
    const ToolRun run = Preview(dir, "--check " + Quoted(test));
    EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), c.lines.size()) << c.what << "\n" << run.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string& expected = c.lines[i];
      const auto dash = expected.find(": - characters of ");
      if (dash == std::string::npos) {
        EXPECT_EQ(lines[i], expected) << c.what;
        continue;
      }
      // "<prefix>: N characters of M hidden" with 0 < N < M.
      const std::string prefix = expected.substr(0, dash + 2);
      ASSERT_EQ(lines[i].substr(0, prefix.size()), prefix) << c.what << ": " << lines[i];
      const std::string rest = lines[i].substr(prefix.size());
      const int hidden = std::atoi(rest.c_str());
      const std::string tail = expected.substr(dash + 4);  // "characters of M hidden"
      EXPECT_EQ(rest.substr(rest.find(' ') + 1), tail) << c.what;
      const int total = std::atoi(tail.substr(tail.find("of ") + 3).c_str());
      EXPECT_GT(hidden, 0) << c.what;
      EXPECT_LT(hidden, total) << c.what;
    }
  }
}

// The width and height of a PNG picture, from its header.
std::pair<int, int> PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  const auto number = [&](std::size_t at) {
    int n = 0;
    for (std::size_t i = 0; i < 4; ++i) n = n * 256 + static_cast<unsigned char>(bytes[at + i]);
    return n;
  };
  return {number(16), number(20)};
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : stdfs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

TEST(PreviewPictures, TheHeaderAndEachQuestionUnderTheirOwnNamesOnly) {
  TempDir dir;
  const std::string test =
      MakeTest(dir, "test.DLL", kHeader + "Первый?\nA. да\nANSWER: A\n\nВторой?\nA. да\nB. нет\nANSWER: B\n");
  const std::string folder = dir.File("pictures");
  ASSERT_TRUE(stdfs::create_directory(folder));
  Put(folder + "/notes.txt", "the teacher's own notes");
  Put(folder + "/header.png", "an old picture");
  const std::string temp = dir.File("temp");  // where the run's journal goes
  ASSERT_TRUE(stdfs::create_directory(temp));

  const ToolRun run = RunCommand(
      dir, "TMPDIR=" + Quoted(temp) + " " + Quoted(MIRAVEL_PREVIEW_PATH) + " " + Quoted(test) + " " + Quoted(folder));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("3 pictures"), std::string::npos) << run.err;
  EXPECT_EQ(FilesIn(folder),
            (std::set<std::string>{"header.png", "notes.txt", "question-001.png", "question-002.png"}));
  EXPECT_EQ(Get(folder + "/notes.txt"), "the teacher's own notes");
  for (const char* name : {"header.png", "question-001.png", "question-002.png"})
    EXPECT_EQ(PngSize(Get(folder + "/" + name)), std::make_pair(462, 424)) << name;
  EXPECT_NE(Get(folder + "/header.png"), Get(folder + "/question-001.png"));
  EXPECT_NE(Get(folder + "/question-001.png"), Get(folder + "/question-002.png"));
  // Qt's own runtime folder (no XDG_RUNTIME_DIR here) may stay; nothing else.
  std::set<std::string> left = FilesIn(temp);
  std::erase_if(left, [](const std::string& name) { return name.rfind("runtime-", 0) == 0; });
  EXPECT_TRUE(left.empty()) << "the journal's folder is removed: " << *left.begin();

  // A folder that is missing is made, parents and all.
  const std::string nested = dir.File("new/pictures");
  ASSERT_EQ(Preview(dir, Quoted(test) + " " + Quoted(nested)).status, 0);
  EXPECT_EQ(FilesIn(nested), (std::set<std::string>{"header.png", "question-001.png", "question-002.png"}));
}

struct ErrorCase {
  const char* what;
  std::string args;
  int status;
  std::string message;
};

TEST(PreviewErrors, AreToldAndWriteNothing) {
  TempDir dir;
  const std::string folder = dir.File("pictures");
  const std::string test = MakeTest(dir, "test.DLL", kFits);
  const ErrorCase cases[] = {
      {"a test file that does not exist", Quoted(dir.File("missing.DLL")) + " " + Quoted(folder), 1,
       "missing.DLL: no such test file"},
      {"a folder for a test file", Quoted(dir.File("")) + " " + Quoted(folder), 1, "not a regular file"},
      {"no argument", "", 2, "no test file"},
      {"no folder", Quoted(test), 2, "no folder for the pictures"},
      {"a folder with --check", "--check " + Quoted(test) + " " + Quoted(folder), 2, "too many arguments"},
      {"an unknown option", "--dark " + Quoted(test) + " " + Quoted(folder), 2, "unknown option --dark"},
  };
  for (const ErrorCase& c : cases) {
    const ToolRun run = Preview(dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.what;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.what << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.what;
    EXPECT_FALSE(stdfs::exists(folder)) << c.what;
  }
}

#if MIRAVEL_MAKE_TRANSLATED
struct LanguageCase {
  const char* environment;
  bool russian;
};

// The preview's help, errors and lines are Russian under a Russian locale
// (the catalogue the build compiles from po/ru.po) and English otherwise;
// miravel-make's fit check reads the preview's lines in any locale, and
// warns in its own language.
TEST(PreviewLanguage, FollowsTheLocale) {
  if (!HasLocale("ru_RU.UTF-8")) GTEST_SKIP() << "no ru_RU.UTF-8 locale (scripts/setup.sh generates it)";
  TempDir dir;
  const std::string too_wide =
      kHeader + "Вопрос?\nA. да\nANSWER: A\n\nЕщё вопрос?\nA. да\nB. " + kLongOption + "\nANSWER: A\n";
  const std::string test = MakeTest(dir, "test.DLL", too_wide);
  const std::string source = dir.File("lesson.txt");
  Put(source, too_wide);
  const LanguageCase cases[] = {
      {"LANGUAGE= LC_ALL=ru_RU.UTF-8", true},
      {"LANGUAGE= LC_ALL= LANG=ru_RU.UTF-8", true},
      {"LANGUAGE=en LC_ALL=ru_RU.UTF-8", false},
      {"LANGUAGE= LC_ALL=C.UTF-8", false},
  };
  for (const LanguageCase& c : cases) {
    SCOPED_TRACE(c.environment);
    const auto preview = [&](const std::string& args) {
      return RunCommand(dir, Quoted(MIRAVEL_PREVIEW_PATH) + " " + args, c.environment);
    };
    const ToolRun help = preview("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind(c.russian ? "Использование:\n" : "Usage:\n", 0), 0U) << help.out;

    const ToolRun usage = preview("--dark");
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err, c.russian
                             ? "miravel-preview: неизвестный параметр --dark\nСправка: «miravel-preview --help».\n"
                             : "miravel-preview: unknown option --dark\nTry 'miravel-preview --help'.\n");

    const ToolRun missing = preview(Quoted(dir.File("missing.DLL")) + " " + Quoted(dir.File("pictures")));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "miravel-preview: " + dir.File("missing.DLL") +
                               (c.russian ? ": файл теста не найден\n" : ": no such test file\n"));

    const ToolRun check = preview("--check " + Quoted(test));
    EXPECT_EQ(check.status, 3);
    const std::string line = c.russian ? "вопрос 2: вариант B: скрыто символов: " : "question 2: option B: ";
    EXPECT_EQ(check.out.rfind(line, 0), 0U) << check.out;
    EXPECT_EQ(Lines(check.out).size(), 1U) << check.out;

    const ToolRun made = RunCommand(dir, Quoted(MIRAVEL_MAKE_PATH) + " " + Quoted(source), c.environment);
    EXPECT_EQ(made.status, 0);
    const std::string warning =
        source + (c.russian ? ":12: предупреждение: вариант ответа вопроса 2 не помещается на экране"
                            : ":12: warning: an option of question 2 does not fit on the screen");
    EXPECT_EQ(made.err.rfind(warning, 0), 0U) << made.err;
  }
}
#endif

// --- miravel-make's fit check --------------------------------------------------------

ToolRun Make(const TempDir& dir, const std::string& args) {
  return RunCommand(dir, Quoted(MIRAVEL_MAKE_PATH) + " " + args);
}

std::vector<std::string> FitWarnings(const std::string& err) {
  std::vector<std::string> found;
  for (const std::string& line : Lines(err))
    if (line.find("does not fit on the screen") != std::string::npos) found.push_back(line);
  return found;
}

TEST(MakeFitCheck, WarnsAtTheSourceLineOfEachTextThatDoesNotFit) {
  TempDir dir;
  // The long question starts at line 10, the long option is at line 19.
  const std::string too_long = kHeader + "Вопрос, который помещается?\nA. да\nANSWER: A\n\n" + kFiveLines +
                               "A. да\nANSWER: A\n\nЕщё вопрос?\nA. " + kLongOption + "\nB. нет\nANSWER: B\n";
  const std::string source = dir.File("lesson.txt");
  const std::string made = dir.File("lesson.DLL");
  Put(source, too_long);

  ToolRun run = Make(dir, Quoted(source));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(stdfs::exists(made)) << "warnings only: the test file is made";
  const std::vector<std::string> warnings = FitWarnings(run.err);
  ASSERT_EQ(warnings.size(), 2U) << run.err;
  EXPECT_EQ(warnings[0], source +
                             ":10: warning: the text of question 2 does not fit on the screen: 14 of 39 characters "
                             "are hidden");
  EXPECT_EQ(warnings[1].substr(0, (source + ":19: warning: an option of question 3 does not fit").size()),
            source + ":19: warning: an option of question 3 does not fit")
      << warnings[1];

  // Skipped on request; and nothing to warn about in a source that fits.
  stdfs::remove(made);
  run = Make(dir, "--no-fit-check " + Quoted(source));
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(stdfs::exists(made));
  EXPECT_EQ(run.err, "");
  Put(source, kFits);
  run = Make(dir, Quoted(source));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
}

// The check needs no display and no preview program: whatever platform the
// session asks for, the test is shown offscreen in miravel-make itself, and
// nothing but its own warnings reaches standard error.
TEST(MakeFitCheck, NeedsNoDisplayNorThePreview) {
  TempDir dir;
  const std::string source = dir.File("lesson.txt");
  Put(source, kHeader + kFiveLines + "A. да\nANSWER: A\n");
  const ToolRun run = RunCommand(dir, "PATH=/nonexistent DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=xcb " +
                                          Quoted(MIRAVEL_MAKE_PATH) + " " + Quoted(source));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, source +
                         ":6: warning: the text of question 1 does not fit on the screen: 14 of 39 characters are "
                         "hidden\n");
  EXPECT_TRUE(stdfs::exists(dir.File("lesson.DLL")));
}

}  // namespace
}  // namespace miravel::authoring
