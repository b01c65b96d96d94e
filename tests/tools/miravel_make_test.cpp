// The command-line tool: exit codes, messages, and what it writes or leaves
// alone. The tool is run as a program, the way teachers run it.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "authoring.h"
#include "platform/profile_file.h"
#include "fifo_release.h"
#include "tool_test_support.h"

namespace miravel::authoring {
namespace {

using testing::Get;
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
// output and error going to files and its input from NUL.
ToolRun RunTool(const TempDir& dir, const std::string& args) {
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

ToolRun RunTool(const TempDir& dir, const std::string& args) {
  const std::string out = dir.File("stdout.log");
  const std::string err = dir.File("stderr.log");
  const std::string command =
      Quoted(MIRAVEL_MAKE_PATH) + " " + args + " >" + Quoted(out) + " 2>" + Quoted(err) + " </dev/null";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Get(out), Get(err)};
}

#endif

const std::string kGoodSource =
    "Title: Тест\nTime: 2\n\nКакая река протекает через Египет?\nA. Тигр\nB. Нил\nANSWER: B\n";

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
  const ErrorCase cases[] = {
      {"character without a Windows-1251 form", "Time: 1\n\nWas ist das?\nA. Käse\nANSWER: A\n", 4,
       "the character \"ä\" (U+00E4) has no Windows-1251 form"},
      {"character beyond the BMP", "Q \xF0\x9F\x98\x80\nA. a\nANSWER: A\n", 1,
       "the character \"\xF0\x9F\x98\x80\" (U+1F600)"},
      {"malformed UTF-8", "Q\n\xC3(\nA. a\nANSWER: A\n", 2, "malformed UTF-8 (byte 0xC3 at column 1)"},
      {"fifth option", "Q\nA. a\nB. b\nC. c\nD. d\nE. e\nANSWER: A\n", 6, "a fifth option \"E.\""},
      {"options out of order", "Q\nB. b\nA. a\nANSWER: A\n", 3, "option A comes after option B"},
      {"option repeated", "Q\nA. a\nA. b\nANSWER: A\n", 3, "option A is given twice"},
      {"missing ANSWER at the end", "Time: 1\n\nQ\nA. a\nB. b\n", 3, "the question has no ANSWER line"},
      {"missing ANSWER before the next question", "Q1\nA. a\n\nQ2\nA. b\nANSWER: A\n", 1,
       "the question has no ANSWER line (the next text is at line 4)"},
      {"unknown ANSWER letter", "Q\nA. a\nANSWER: E\n", 3, "unknown ANSWER letter \"E\""},
      {"Cyrillic ANSWER letter", "Q\nA. a\nANSWER: Б\n", 3, "a Cyrillic letter"},
      {"ANSWER without a letter", "Q\nA. a\nANSWER:\n", 3, "names no option"},
      {"ANSWER names an absent option", "Q\nA. a\nB. b\nD. d\nANSWER: C\n", 5,
       "ANSWER: C names an option the question does not have"},
      {"ANSWER of a question without options", "Q\nА. a\nANSWER: A\n", 3, "it has no options"},
      {"option before any question text", "Time: 1\n\nA. a\nANSWER: A\n", 3, "an option line with no question text"},
      {"ANSWER before any question text", "ANSWER: A\n", 1, "an ANSWER line with no question text"},
      {"text after the options", "Q\nA. a\nmore\nANSWER: A\n", 3, "text after the options"},
      {"Cyrillic option letter", "Q\nA. a\nВ. b\nANSWER: A\n", 3,
       "starts with the Cyrillic letter \"В\": option letters are the Latin A, B, C, D"},
      {"Cyrillic look-alike C", "Q\nA. a\nB. b\nС) c\nANSWER: A\n", 4, "Cyrillic letter \"С\""},
      {"small option letter", "Q\nA. a\nb) b\nANSWER: A\n", 3, "option letters are capital letters"},
      {"Time not a number", "Time: 10 min\n", 1, "Time must be a whole number of minutes from 0 to 35791394"},
      {"Time negative", "Title: t\nTime: -1\n", 2, "not \"-1\""},
      {"Time too large", "Time: 35791395\n", 1, "Time must be"},
      {"Time empty", "Time:\n", 1, "Time must be"},
      {"header keyword repeated", "Title: a\nНазвание: b\n", 2, "the header gives Title twice (first at line 1)"},
      {"unknown escape", "Q\nA. \"a\\qb\"\nANSWER: A\n", 2, "unknown escape \"\\q\""},
      {"short hex escape", "Title: \"\\x4\"\n", 1, "\\x must be followed by two hex digits"},
      {"bare quote inside quotes", "\"a\"b\"\nA. a\nANSWER: A\n", 1, "a double quote inside it must be written"},
      {"quoted text ends in a backslash", "Title: \"a\\\"\n", 1, "lone backslash"},
      {"quoted header value continued", "Title: \"a\"\n  b\n", 2, "a quoted value cannot continue"},
      {"quoted question with another line", "\"a\"\nb\nA. a\nANSWER: A\n", 2,
       "a quoted question text must be the only line"},
      {"text the program would cut", "Q\nA. " + long_text + "\nANSWER: A\n", 2,
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
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->line, c.line);
    EXPECT_NE(result.error->message.find(c.fragment), std::string::npos) << result.error->message;

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
  for (const char* part : {"--decode", "-o", "Title:", "Time:", "ANSWER: B", "A) first option", "\\xHH"})
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
  Put(source, "Title: t\nTime: 0\n\nQ\nA. a\nANSWER: A\n");
  const ToolRun run = RunTool(dir, Quoted(source));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, source + ":2: warning: Time is 0: the test would end at its first second\n");
  EXPECT_TRUE(stdfs::exists(dir.File("w.DLL")));
}

}  // namespace
}  // namespace miravel::authoring
