// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line tool: exit codes, messages, and what it writes or leaves
// alone. The tool is run as a program, the way teachers run it.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "authoring/decoder.h"
#include "authoring/parser.h"
#include "platform/cp1251.h"
#include "platform/profile_file.h"
#include "fifo_release.h"
#include "tool_test_support.h"

namespace miravel::authoring {
namespace {

using testing::Get;
using testing::HasLocale;
using testing::Put;
using testing::TempDir;
namespace stdfs = std::filesystem;

struct ToolRun {
  int status;  // exit status, -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

#ifdef _WIN32

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The tool's path: MIRAVEL_MAKE_RELATIVE_PATH is where it is built, from the
// folder of this test program.
std::string ToolPath() {
  char self[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path(self, length);
  path.erase(path.find_last_of("\\/") + 1);
  return path + MIRAVEL_MAKE_RELATIVE_PATH;
}

// Windows has no shell to redirect with: the tool runs with its standard
// output and error going to files and its input from NUL. Its messages are
// English there whatever the locale.
ToolRun RunTool(const TempDir& dir, const std::string& args, const std::string& /*environment*/ = "") {
  const std::string out = dir.File("stdout.log");
  const std::string err = dir.File("stderr.log");
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const auto open = [&](const std::string& path, DWORD access, DWORD disposition) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = open("NUL", GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = open(out, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = open(err, GENERIC_WRITE, CREATE_ALWAYS);
  std::string command = Quoted(ToolPath()) + " " + args;
  PROCESS_INFORMATION process{};
  int status = -1;
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    ADD_FAILURE() << "cannot run " << command << " (error " << GetLastError() << ")";
  }
  for (const HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  // Messages are text, and Windows ends their lines with CR LF.
  std::string messages = Get(err);
  for (auto at = messages.find("\r\n"); at != std::string::npos; at = messages.find("\r\n", at)) messages.erase(at, 1);
  return {status, Get(out), messages};
}

#else

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The tool runs with the locale settings of `environment` ("NAME=value"
// words), which choose the language of its messages.
ToolRun RunTool(const TempDir& dir, const std::string& args, const std::string& environment = "LC_ALL=C LANGUAGE=") {
  const std::string out = dir.File("stdout.log");
  const std::string err = dir.File("stderr.log");
  const std::string command = environment + " " + Quoted(MIRAVEL_MAKE_PATH) + " " + args + " >" + Quoted(out) + " 2>" +
                              Quoted(err) + " </dev/null";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Get(out), Get(err)};
}

#endif

// The errors of a result, one a line, for failure messages.
std::string Shown(const std::vector<Diagnostic>& errors) {
  std::string out;
  for (const auto& error : errors) out += std::to_string(error.line) + ": " + error.message + "\n";
  return out;
}

const std::string kGoodSource =
    "Title: Тест\nDescription: О реках.\nComments: Один ответ.\nTime: 2\n\nКакая река протекает через "
    "Египет?\nA. Тигр\nB. Нил\nANSWER: B\n";

struct ErrorCase {
  const char* what;
  std::string source;
  std::size_t line;
  std::string fragment;
};

// Every kind of source error: where it is reported, what it says, and that
// the tool writes nothing.
TEST(SourceErrors, NameTheLineAndWriteNothing) {
  const std::string long_text(kMaxValue + 1, 'x');
  // Each source has just the one error.
  const ErrorCase cases[] = {
      {"character without a Windows-1251 form", "Time: 1\n\nWas ist das?\nA. Käse\nANSWER: A\n", 4,
       "the character \"ä\" (U+00E4) has no Windows-1251 form"},
      {"character beyond the BMP", "Time: 1\nQ \xF0\x9F\x98\x80\nA. a\nANSWER: A\n", 2,
       "the character \"\xF0\x9F\x98\x80\" (U+1F600)"},
      // A stray byte in UTF-8 text: the source stays UTF-8, and the column
      // counts characters.
      {"malformed UTF-8", "Time: 1\nВопрос \xC3(\nA. а\nANSWER: A\n", 2,
       "malformed UTF-8 (byte 0xC3 at column 8); save the source as UTF-8"},
      {"fifth option", "Time: 1\nQ\nA. a\nB. b\nC. c\nD. d\nE. e\nANSWER: A\n", 7, "a fifth option \"E.\""},
      {"fifth Cyrillic option", "Time: 1\nQ\nА. a\nБ. b\nВ. c\nГ. d\nД. e\nОТВЕТ: А\n", 7,
       "a fifth option \"Д.\": a question has at most the four options А, Б, В, Г"},
      {"options out of order", "Time: 1\nQ\nB. b\nA. a\nANSWER: A\n", 4, "option A comes after option B"},
      {"Cyrillic options out of order", "Time: 1\nQ\nБ. b\nА. a\nОТВЕТ: А\n", 4,
       "option А comes after option Б: options go in the order А, Б, В, Г"},
      {"option repeated", "Time: 1\nQ\nA. a\nA. b\nANSWER: A\n", 4, "option A is given twice"},
      {"missing ANSWER at the end", "Time: 1\n\nQ\nA. a\nB. b\n", 3, "the question has no ANSWER line"},
      {"missing ANSWER before the next question", "Time: 1\nQ1\nA. a\n\nQ2\nA. b\nANSWER: A\n", 2,
       "the question has no ANSWER line (the next text is at line 5)"},
      {"unknown ANSWER letter", "Time: 1\nQ\nA. a\nANSWER: E\n", 4, "unknown ANSWER letter \"E\""},
      {"Cyrillic ANSWER letter", "Time: 1\nQ\nA. a\nANSWER: Б\n", 4,
       "ANSWER letter «Б» is Cyrillic, but this question's options are lettered in Latin (A B C D)"},
      {"ANSWER without a letter", "Time: 1\nQ\nA. a\nANSWER:\n", 4, "names no option"},
      {"ANSWER names an absent option", "Time: 1\nQ\nA. a\nB. b\nD. d\nANSWER: C\n", 6,
       "ANSWER: C names an option the question does not have"},
      {"ANSWER of a question without options", "Time: 1\nQ\nANSWER: A\n", 3, "it has no options"},
      {"option before any question text", "Time: 1\n\nA. a\nANSWER: A\n", 3, "an option line with no question text"},
      {"ANSWER before any question text", "Time: 1\n\nANSWER: A\nQ\nA. a\nANSWER: A\n", 3,
       "an ANSWER line with no question text"},
      {"text after the options", "Time: 1\nQ\nA. a\nmore\nANSWER: A\n", 4, "text after the options"},
      {"Cyrillic option letter", "Time: 1\nQ\nA. a\nВ. b\nANSWER: A\n", 4,
       "option letter «В» is Cyrillic, but this question's options are lettered in Latin (A B C D)"},
      {"Cyrillic look-alike C", "Time: 1\nQ\nA. a\nB. b\nС) c\nANSWER: A\n", 5, "option letter «С» is Cyrillic"},
      {"Time not a number", "Time: 10 min\nQ\nA. a\nANSWER: A\n", 1,
       "Time must be a whole number of minutes from 1 to 35791394"},
      {"Time negative", "Title: t\nTime: -1\nQ\nA. a\nANSWER: A\n", 2, "not \"-1\""},
      {"Time too large", "Time: 35791395\nQ\nA. a\nANSWER: A\n", 1, "Time must be"},
      {"Time empty", "Time:\nQ\nA. a\nANSWER: A\n", 1, "Time must be"},
      {"header keyword repeated", "Title: a\nНазвание: b\nTime: 1\nQ\nA. a\nANSWER: A\n", 2,
       "the header gives Title twice (first at line 1)"},
      {"unknown escape", "Time: 1\nQ\nA. \"a\\qb\"\nANSWER: A\n", 3, "unknown escape \"\\q\""},
      {"short hex escape", "Title: \"\\x4\"\nTime: 1\nQ\nA. a\nANSWER: A\n", 1,
       "\\x must be followed by two hex digits"},
      {"bare quote inside quotes", "Time: 1\n\"a\"b\"\nA. a\nANSWER: A\n", 2,
       "a double quote inside it must be written"},
      {"quoted text ends in a backslash", "Title: \"a\\\"\nTime: 1\nQ\nA. a\nANSWER: A\n", 1, "lone backslash"},
      {"quoted header value continued", "Title: \"a\"\n  b\n  c\nTime: 1\nQ\nA. a\nANSWER: A\n", 2,
       "a quoted value cannot continue"},
      {"quoted question with another line", "Time: 1\n\"a\"\nb\nA. a\nANSWER: A\n", 3,
       "a quoted question text must be the only line"},
      {"text the program would cut", "Time: 1\nQ\nA. " + long_text + "\nANSWER: A\n", 3,
       "the option text is 2048 bytes long; the program reads at most 2047"},
  };
  TempDir dir;
  const std::string source_path = dir.File("lesson.txt");
  const std::string default_output = dir.File("lesson.DLL");
  const std::string existing = dir.File("existing.DLL");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto result = Compile(c.source);
    EXPECT_FALSE(result.document);
    ASSERT_EQ(result.errors.size(), 1u) << Shown(result.errors);
    EXPECT_EQ(result.errors[0].line, c.line);
    EXPECT_NE(result.errors[0].message.find(c.fragment), std::string::npos) << result.errors[0].message;

    Put(source_path, c.source);
    const ToolRun run = RunTool(dir, Quoted(source_path));
    EXPECT_EQ(run.status, 1);
    const auto at = run.err.find(source_path + ":" + std::to_string(c.line) + ": ");
    EXPECT_NE(at, std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.fragment, at), std::string::npos) << run.err;
    EXPECT_FALSE(stdfs::exists(default_output));

    Put(existing, "[Main]\r\nold=1\r\n");
    EXPECT_EQ(RunTool(dir, Quoted(source_path) + " -o " + Quoted(existing)).status, 1);
    EXPECT_EQ(Get(existing), "[Main]\r\nold=1\r\n");
  }
}

using LineAndMessage = std::pair<std::size_t, std::string>;

std::vector<LineAndMessage> LinesAndMessages(const std::vector<Diagnostic>& errors) {
  std::vector<LineAndMessage> out;
  for (const auto& error : errors) out.emplace_back(error.line, error.message);
  return out;
}

struct ErrorListCase {
  const char* what;
  std::string source;
  std::vector<LineAndMessage> errors;  // all of them, in the order told
};

const std::string kQuestion = "Q\nA. a\nANSWER: A\n";

// Every error of a source is told, in line order, each once, and a fault in
// one question does not make errors of the next ones.
TEST(SourceErrors, AllOfThemInLineOrder) {
  const std::string latin_expected = "this question's options are lettered in Latin (A B C D)";
  const std::string cyrillic_expected = "this question's options are lettered in Cyrillic (А Б В Г)";
  const std::string no_time =
      "no Time is given: the test would end at its first second (write, for example, \"Time: 10\" in the header)";
  const ErrorListCase cases[] = {
      // Two of each alphabet: D, which only Latin has, decides.
      {"Cyrillic look-alikes among Latin letters",
       "Time: 1\n\nQ1\nА. a\nB. b\nС. c\nD. d\nANSWER: D\n\nQ2\nA. a\nВ. b\nC. c\nANSWER: A\n",
       {{4, "option letter «А» is Cyrillic, but " + latin_expected},
        {6, "option letter «С» is Cyrillic, but " + latin_expected},
        {12, "option letter «В» is Cyrillic, but " + latin_expected}}},
      {"Latin look-alikes among Cyrillic letters",
       "Time: 1\n\nQ1\nA. a\nБ. b\nB. c\nГ. d\nОТВЕТ: Б\n\nQ2\nА. a\nБ. b\nC. c\nОТВЕТ: А\n",
       {{4, "option letter «A» is Latin, but " + cyrillic_expected},
        {6, "option letter «B» is Latin, but " + cyrillic_expected},
        {13, "option letter «C» is Latin, but " + cyrillic_expected}}},
      // One letter of each: Б has no Latin look-alike, so A is the odd one.
      {"a tie decided by a letter without a look-alike",
       "Time: 1\n\nQ\nA. a\nБ. b\nОТВЕТ: Б\n",
       {{4, "option letter «A» is Latin, but " + cyrillic_expected}}},
      {"a tie decided by the ANSWER letter",
       "Time: 1\n\nQ\nА. a\nB. b\nANSWER: B\n",
       {{4, "option letter «А» is Cyrillic, but " + latin_expected}}},
      {"ANSWER letters from the other alphabet",
       "Time: 1\n\nQ1\nA. a\nB. b\nОТВЕТ: В\n\nQ2\nА. a\nБ. b\nОТВЕТ: A\n",
       {{6, "ANSWER letter «В» is Cyrillic, but " + latin_expected},
        {11, "ANSWER letter «A» is Latin, but " + cyrillic_expected}}},
      {"С among Cyrillic letters",
       "Time: 1\n\nQ\nА. a\nБ. b\nС. c\nОТВЕТ: С\n",
       {{6, "«С» is not an option letter: " + cyrillic_expected},
        {7, "«С» is not an option letter: " + cyrillic_expected}}},
      {"no Time", "Title: t\n\n" + kQuestion, {{0, no_time}}},
      {"Time 0", "Time: 0\n\n" + kQuestion, {{1, "Time is 0: the test would end at its first second"}}},
      {"Time -5",
       "Title: t\nTime: -5\n\n" + kQuestion,
       {{2, "Time must be a whole number of minutes from 1 to 35791394, not \"-5\""}}},
      {"no questions", "# a draft\nTitle: t\nTime: 5\n", {{0, "the source has no questions"}}},
      {"an empty source", "", {{0, no_time}, {0, "the source has no questions"}}},
      {"errors of several kinds",
       "Title: a\nTitle: b\nTime: x\n\nQ1\nA. a\nA. b\nANSWER: A\n\nQ2\nA. a\nB. b\n\nQ3\nA. a\nANSWER: E\n\nQ4\nA. "
       "a\n",
       {{2, "the header gives Title twice (first at line 1)"},
        {3, "Time must be a whole number of minutes from 1 to 35791394, not \"x\""},
        {7, "option A is given twice"},
        {10, "the question has no ANSWER line (the next text is at line 14)"},
        {16, "unknown ANSWER letter \"E\": use one of the capital letters A, B, C, D"},
        {18, "the question has no ANSWER line"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto result = Compile(c.source);
    EXPECT_FALSE(result.document);
    EXPECT_EQ(LinesAndMessages(result.errors), c.errors);
    EXPECT_FALSE(result.more_errors);
  }
}

const std::string kFullHeader = "Title: t\nDescription: d\nComments: c\nTime: 1\n\n";

// A source with `count` errors: questions whose second option has a
// Cyrillic letter, each at line 8 + 5 * n.
std::string SourceWithErrors(int count) {
  std::string source = kFullHeader;
  for (int n = 0; n < count; ++n) source += "Q\nA. a\nВ. b\nANSWER: A\n\n";
  return source;
}

// The first 20 errors are told, then that there are more; the tool writes
// nothing and removes nothing of what was there.
TEST(SourceErrors, TwentyAtMost) {
  for (const int count : {20, 21, 25}) {
    SCOPED_TRACE(count);
    const auto result = Compile(SourceWithErrors(count));
    EXPECT_FALSE(result.document);
    ASSERT_EQ(result.errors.size(), std::min<std::size_t>(static_cast<std::size_t>(count), kMaxErrors));
    for (std::size_t n = 0; n < result.errors.size(); ++n) EXPECT_EQ(result.errors[n].line, 8 + 5 * n);
    EXPECT_EQ(result.more_errors, count > 20);
  }

  TempDir dir;
  const std::string source = dir.File("many.txt");
  Put(source, SourceWithErrors(25));
  const ToolRun run = RunTool(dir, Quoted(source));
  EXPECT_EQ(run.status, 1);
  std::string expected;
  for (int n = 0; n < 20; ++n)
    expected += source + ":" + std::to_string(8 + 5 * n) +
                ": option letter «В» is Cyrillic, but this question's options are lettered in Latin (A B C D)\n";
  expected += source + ": too many errors; only the first 20 are shown\n" + source + ": nothing written\n";
  EXPECT_EQ(run.err, expected);
  EXPECT_FALSE(stdfs::exists(dir.File("many.DLL")));
}

struct SlipCase {
  const char* what;
  std::string source;
  std::size_t line;  // 0 for the whole source
  bool warning;  // a warning, and the test file is made; else an error
  std::string english;
  std::string russian;
};

// The slips a teacher makes: each is told at its line (or for the whole
// source) and named for what it is, in English and under a Russian locale in
// Russian, and it is the only thing told.
TEST(SourceErrors, ATeachersSlipsAreNamed) {
  using namespace std::string_literals;
  const std::string question = "Q\nA. a\nANSWER: A\n";
  const SlipCase cases[] = {
      {"a comma after an option letter", kFullHeader + "Q\nА) один\nБ, два\nОТВЕТ: А\n", 8, false,
       "after the option letter Б comes \",\": write \"Б)\"", "после буквы варианта Б стоит «,»: напишите «Б)»"},
      {"another mark, among options with full stops", kFullHeader + "Q\nA. one\nB: two\nANSWER: A\n", 8, false,
       "after the option letter B comes \":\": write \"B.\"", "после буквы варианта B стоит «:»: напишите «B.»"},
      {"a small letter after the options", kFullHeader + "Q\nА) один\nб) два\nОТВЕТ: А\n", 8, false,
       "option letters are capitals: \"б)\" → \"Б)\"", "буквы вариантов — заглавные: «б)» → «Б)»"},
      {"a small letter and a comma", kFullHeader + "Q\nA. one\nb, two\nANSWER: A\n", 8, false,
       "option letters are capitals: \"b,\" → \"B.\"", "буквы вариантов — заглавные: «b,» → «B.»"},
      {"a comma in the question text", kFullHeader + "Вопрос\nА, один\nБ) два\nОТВЕТ: Б\n", 7, true,
       "this line is taken as question text; after the option letter А comes \",\": write \"А)\"",
       "эта строка считается текстом вопроса; после буквы варианта А стоит «,»: напишите «А)»"},
      {"no Description", "Title: t\nComments: c\nTime: 1\n\n" + question, 0, true,
       "the header has no Description line: the student will see «Ошибка открытия теста» (\"error opening the "
       "test\") in its place; write \"Description:\" alone for an empty text",
       "в заголовке нет строки Description: вместо этого текста ученик увидит «Ошибка открытия теста»; чтобы "
       "оставить его пустым, напишите «Description:» без значения"},
      {"no Comments", "Название: t\nОписание: d\nВремя: 1\n\n" + question, 0, true,
       "the header has no Comments line: the student will see «Ошибка открытия теста» (\"error opening the "
       "test\") in its place; write \"Comments:\" alone for an empty text",
       "в заголовке нет строки Comments: вместо этого текста ученик увидит «Ошибка открытия теста»; чтобы "
       "оставить его пустым, напишите «Comments:» без значения"},
      {"a NUL byte", kFullHeader + "Во\0прос\nA. a\nANSWER: A\n"s, 6, false,
       "a NUL byte at column 3: a source is plain text (in a quoted text, a zero byte is written \\x00)",
       "нулевой байт (NUL) в позиции 3: исходный текст должен быть простым текстом (в тексте в кавычках нулевой "
       "байт записывается как \\x00)"},
      {"a NUL byte in a comment", "# note\0\n"s + kFullHeader + question, 1, false,
       "a NUL byte at column 7: a source is plain text (in a quoted text, a zero byte is written \\x00)",
       "нулевой байт (NUL) в позиции 7: исходный текст должен быть простым текстом (в тексте в кавычках нулевой "
       "байт записывается как \\x00)"},
      {"UTF-16, as Notepad saves \"Unicode\"", "\xFF\xFET\0i\0m\0e\0:\0 \0\x31\0\n\0"s, 0, false,
       "the source is saved as UTF-16 (\"Unicode\" in Notepad): save it as UTF-8",
       "исходный текст сохранён в кодировке UTF-16 (в Блокноте — «Юникод»): сохраните его в кодировке UTF-8"},
  };
  TempDir dir;
  const std::string path = dir.File("lesson.txt");
  const std::string made = dir.File("lesson.DLL");
  const auto told = [&](const SlipCase& c, bool russian) {
    const std::string where = c.line == 0 ? path + ": " : path + ":" + std::to_string(c.line) + ": ";
    const std::string kind = !c.warning ? "" : russian ? "предупреждение: " : "warning: ";
    return where + kind + (russian ? c.russian : c.english) + "\n" +
           (c.warning ? "" : path + (russian ? ": ничего не записано\n" : ": nothing written\n"));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto result = Compile(c.source);
    EXPECT_EQ(result.document.has_value(), c.warning) << Shown(result.errors);
    const auto& told_in_memory = c.warning ? result.warnings : result.errors;
    EXPECT_EQ(LinesAndMessages(told_in_memory), (std::vector<LineAndMessage>{{c.line, c.english}}));
    EXPECT_EQ(result.errors.size() + result.warnings.size(), 1u) << Shown(result.errors) << Shown(result.warnings);

    Put(path, c.source);
    stdfs::remove(made);
    const ToolRun run = RunTool(dir, "--no-fit-check " + Quoted(path));
    EXPECT_EQ(run.status, c.warning ? 0 : 1);
    EXPECT_EQ(run.err, told(c, false));
    EXPECT_EQ(stdfs::exists(made), c.warning);
#if MIRAVEL_MAKE_TRANSLATED
    if (HasLocale("ru_RU.UTF-8")) {
      EXPECT_EQ(RunTool(dir, "--no-fit-check " + Quoted(path), "LC_ALL=ru_RU.UTF-8 LANGUAGE=").err, told(c, true));
    }
#endif
  }
}

// A source saved by Notepad on an older Russian Windows, in Windows-1251 with
// CR LF, is read as such: the test file is that of its UTF-8 twin, and one
// note says how the source was read.
TEST(MiravelMake, ReadsASourceSavedInWindows1251) {
  const std::string cp1251 = MIRAVEL_TOOL_TEST_DATA "/notepad-1251.txt";
  const std::string utf8 = MIRAVEL_TOOL_TEST_DATA "/notepad-utf8.txt";
  ASSERT_EQ(cp1251::ToUtf8(Get(cp1251)), Get(utf8)) << "the fixtures are no twins";
  const auto twin = Compile(Get(utf8));
  ASSERT_TRUE(twin.document) << Shown(twin.errors);
  EXPECT_EQ(twin.encoding, SourceEncoding::kUtf8);
  const auto result = Compile(Get(cp1251));
  ASSERT_TRUE(result.document) << Shown(result.errors);
  EXPECT_EQ(result.encoding, SourceEncoding::kWindows1251);
  EXPECT_TRUE(result.warnings.empty()) << Shown(result.warnings);
  EXPECT_EQ(result.document->Content(), twin.document->Content());

  TempDir dir;
  const std::string made = dir.File("made.DLL");
  const ToolRun run = RunTool(dir, "--no-fit-check " + Quoted(cp1251) + " -o " + Quoted(made));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, cp1251 + ": the source is not UTF-8: read as Windows-1251\n");
  EXPECT_EQ(Get(made), twin.document->Content());
#if MIRAVEL_MAKE_TRANSLATED
  if (HasLocale("ru_RU.UTF-8")) {
    EXPECT_EQ(
        RunTool(dir, "--no-fit-check " + Quoted(cp1251) + " -o " + Quoted(made), "LC_ALL=ru_RU.UTF-8 LANGUAGE=").err,
        cp1251 + ": исходный текст не в кодировке UTF-8: прочитан как Windows-1251\n");
  }
#endif

  // Errors of a Windows-1251 source name the characters as typed.
  std::string broken = Get(cp1251);
  const auto at = broken.find("\r\n\xC1) ");  // "Б) " in Windows-1251
  ASSERT_NE(at, std::string::npos);
  broken[at + 3] = ',';
  const auto broken_result = Compile(broken);
  EXPECT_EQ(broken_result.encoding, SourceEncoding::kWindows1251);
  EXPECT_EQ(LinesAndMessages(broken_result.errors),
            (std::vector<LineAndMessage>{{11, "after the option letter Б comes \",\": write \"Б)\""}}));
}

struct UsageCase {
  const char* what;
  std::string args;
  int status;
  std::string err_fragment;
};

TEST(MiravelMake, ExitStatus) {
  TempDir dir;
  const std::string good = dir.File("good.txt");
  const std::string bad = dir.File("bad.txt");
  const std::string test = dir.File("test.DLL");
  const std::string nowhere = dir.File("no/such/dir/file");
  Put(good, kGoodSource);
  Put(bad, "Q\nA. a\n");
  ASSERT_EQ(RunTool(dir, Quoted(good) + " -o " + Quoted(test)).status, 0);

  const UsageCase cases[] = {
      {"no arguments", "", 2, "no source file"},
      {"unknown option", "--frobnicate " + Quoted(good), 2, "unknown option --frobnicate"},
      {"-o without a file", Quoted(good) + " -o", 2, "option -o needs a file name"},
      {"-o twice", Quoted(good) + " -o a -o b", 2, "given twice"},
      {"two sources", Quoted(good) + " " + Quoted(bad), 2, "more than one input file"},
      {"--decode without a file", "--decode", 2, "no test file to decode"},
      {"test file over its own source", Quoted(good) + " -o " + Quoted(good), 2, "would replace the source"},
      {"decoding over the test file", "--decode " + Quoted(test) + " -o " + Quoted(test), 2,
       "would replace the test file"},
      {"missing source", Quoted(dir.File("missing.txt")), 1, "missing.txt: cannot read the file"},
      {"bad source", Quoted(bad), 1, "bad.txt:1: the question has no ANSWER line"},
      {"unwritable test file", Quoted(good) + " -o " + Quoted(nowhere), 1, "good.txt: "},
      {"missing test file", "--decode " + Quoted(dir.File("missing.DLL")), 1, "missing.DLL: cannot read the file"},
      {"unwritable decoded source", "--decode " + Quoted(test) + " -o " + Quoted(nowhere), 1, "cannot write"},
      {"good source", Quoted(good) + " -o " + Quoted(dir.File("made.DLL")), 0, ""},
      {"decoding", "--decode " + Quoted(test) + " -o " + Quoted(dir.File("out.txt")), 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ToolRun run = RunTool(dir, c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.err_fragment), std::string::npos) << run.err;
    if (c.status == 2) {
      EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
    }
  }
  EXPECT_FALSE(stdfs::exists(dir.File("a")));
  EXPECT_EQ(Get(good), kGoodSource);
}

#ifndef _WIN32
// A FIFO, a device or a folder is no test file: decoding one answers at
// once with a clear error, never waiting for a writer.
TEST(MiravelMake, DecodingWhatIsNoRegularFileFailsAtOnce) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.DLL");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ::mkdir(dir.File("folder.DLL").c_str(), 0700);
  for (const std::string& path : {fifo, std::string("/dev/zero"), dir.File("folder.DLL")}) {
    SCOPED_TRACE(path);
    const FifoRelease release(fifo);
    const auto start = std::chrono::steady_clock::now();
    const ToolRun run = RunTool(dir, "--decode " + Quoted(path));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find(path + ": not a regular file"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_LT(elapsed, std::chrono::seconds(2));
  }
}
#endif

TEST(MiravelMake, HelpAndVersion) {
  TempDir dir;
  const ToolRun help = RunTool(dir, "--help");
  EXPECT_EQ(help.status, 0);
  for (const char* part :
       {"--decode", "-o", "Title:", "Time:", "ANSWER: B", "A) first option", "\\xHH", "А to Г", "ОТВЕТ: X"})
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  const ToolRun version = RunTool(dir, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "miravel-make " MIRAVEL_VERSION "\n");
}

TEST(MiravelMake, MakesReplacesAndDecodesFiles) {
  TempDir dir;
  const std::string source = dir.File("lesson.txt");
  const std::string made = dir.File("lesson.DLL");
  Put(source, kGoodSource);
  const std::string expected = Compile(kGoodSource).document->Content();

  // Without -o the test file goes beside the source; a file there is replaced,
  // not merged with.
  Put(made, "[Other]\r\nkey=value\r\n[Main]\r\nTestName=x\r\nExtra=y\r\n");
  const ToolRun run = RunTool(dir, Quoted(source));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Get(made), expected);

  // Decoding to standard output and to a file, and compiling that file again.
  const ToolRun printed = RunTool(dir, "--decode " + Quoted(made));
  EXPECT_EQ(printed.status, 0) << printed.err;
  EXPECT_EQ(printed.out, Decode(ProfileFile(made), "lesson.DLL"));
  const std::string decoded = dir.File("decoded.txt");
  EXPECT_EQ(RunTool(dir, "--decode " + Quoted(made) + " -o " + Quoted(decoded)).status, 0);
  EXPECT_EQ(Get(decoded), printed.out);
  EXPECT_EQ(RunTool(dir, Quoted(decoded) + " -o " + Quoted(dir.File("again.DLL"))).status, 0);
  EXPECT_EQ(Get(dir.File("again.DLL")), expected);
}

TEST(MiravelMake, WarningsGoToStandardErrorAndTheFileIsMade) {
  TempDir dir;
  const std::string source = dir.File("w.txt");
  Put(source, kFullHeader + "Q\nb) is this an option?\nA. a\nANSWER: A\n");
  const ToolRun run = RunTool(dir, Quoted(source));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, source +
                         ":7: warning: this line is taken as question text; option letters are capitals: \"b)\" "
                         "→ \"B)\"\n");
  EXPECT_TRUE(stdfs::exists(dir.File("w.DLL")));
}

#if MIRAVEL_MAKE_TRANSLATED
struct LanguageCase {
  const char* environment;
  bool russian;
};

// Messages are Russian under a Russian locale, through the catalogue that
// the build compiles from po/ru.po, and English under C; LANGUAGE picks the
// language only where the locale is not C, as with every gettext program.
// The test file made is the same in every language.
TEST(MiravelMake, SpeaksTheLanguageOfTheLocale) {
  if (!HasLocale("ru_RU.UTF-8")) GTEST_SKIP() << "no ru_RU.UTF-8 locale (scripts/setup.sh generates it)";
  TempDir dir;
  const std::string bad = dir.File("bad.txt");
  Put(bad, "Title: t\nDescription: d\nComments: c\n\nQ\nA. a\nВ. b\nmore text\nANSWER: A\n");
  const std::string good = dir.File("good.txt");
  Put(good, kFullHeader + "Q\nа) is text\nА. a\nБ. b\nОТВЕТ: Б\n");

  const std::string russian_errors =
      bad +
      ": не указано время (Time): тест закончился бы на первой же секунде (напишите в заголовке, например, "
      "«Time: 10»)\n" +
      bad +
      ":7: буква варианта «В» — кириллическая, а варианты этого вопроса обозначены латинскими буквами "
      "(A B C D)\n" +
      bad +
      ":8: текст после вариантов ответа: здесь может быть только ещё один вариант (от A. до D.) или "
      "«ANSWER: X»\n" +
      bad + ": ничего не записано\n";
  const std::string english_errors =
      bad +
      ": no Time is given: the test would end at its first second (write, for example, \"Time: 10\" in the "
      "header)\n" +
      bad + ":7: option letter «В» is Cyrillic, but this question's options are lettered in Latin (A B C D)\n" + bad +
      ":8: text after the options: expected another option (A. to D.) or \"ANSWER: X\"\n" + bad + ": nothing written\n";
  const std::string russian_warning =
      good + ":7: предупреждение: эта строка считается текстом вопроса; буквы вариантов — заглавные: «а)» → «А)»\n";
  const std::string english_warning =
      good + ":7: warning: this line is taken as question text; option letters are capitals: \"а)\" → \"А)\"\n";
  const std::string russian_usage =
      "miravel-make: неизвестный параметр --frobnicate\nСправка: «miravel-make --help».\n";
  const std::string english_usage = "miravel-make: unknown option --frobnicate\nTry 'miravel-make --help'.\n";

  ASSERT_EQ(RunTool(dir, Quoted(good) + " -o " + Quoted(dir.File("english.DLL"))).status, 0);
  const std::string made_in_english = Get(dir.File("english.DLL"));
  const LanguageCase cases[] = {
      {"LC_ALL=ru_RU.UTF-8 LANGUAGE=", true},   {"LC_ALL= LANG=ru_RU.UTF-8 LANGUAGE=", true},
      {"LC_ALL=ru_RU.UTF-8 LANGUAGE=ru", true}, {"LC_ALL=ru_RU.UTF-8 LANGUAGE=en", false},
      {"LC_ALL=C LANGUAGE=ru", false},          {"LC_ALL=C LANGUAGE=", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.environment);
    const ToolRun errors = RunTool(dir, Quoted(bad), c.environment);
    EXPECT_EQ(errors.status, 1);
    EXPECT_EQ(errors.err, c.russian ? russian_errors : english_errors);

    const std::string made = dir.File("made.DLL");
    const ToolRun warned = RunTool(dir, Quoted(good) + " -o " + Quoted(made), c.environment);
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.err, c.russian ? russian_warning : english_warning);
    EXPECT_EQ(Get(made), made_in_english);

    const ToolRun usage = RunTool(dir, "--frobnicate", c.environment);
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err, c.russian ? russian_usage : english_usage);

    const ToolRun help = RunTool(dir, "--help", c.environment);
    EXPECT_EQ(help.out.rfind(c.russian ? "Использование:\n" : "Usage:\n", 0), 0u) << help.out;
  }
}
#endif

}  // namespace
}  // namespace miravel::authoring
