// SPDX-License-Identifier: GPL-3.0-or-later
// miravel-make: makes a test file from a teacher's source text, and prints a
// test file back as source. The work itself is done by the authoring library
// (authoring/parser.h, authoring/decoder.h); this file reads the command
// line and the files.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include "authoring/decoder.h"
#include "authoring/parser.h"
#include "fit_check.h"
#include "messages.h"
#include "platform/cp1251.h"
#include "platform/file_system.h"
#include "platform/profile_file.h"
#include "report_password_setting.h"

#ifndef MIRAVEL_VERSION
#error "MIRAVEL_VERSION must be defined by the build"
#endif

namespace {

using namespace miravel;

constexpr int kOk = 0;
constexpr int kBadInput = 1;
constexpr int kBadUsage = 2;

constexpr const char* kHelp = authoring::TrNoop(R"help(Usage:
  miravel-make SOURCE.txt [-o TEST.DLL]   make a test file from a source text
  miravel-make --decode TEST.DLL [-o OUT.txt]
                                          print a test file as source text
  miravel-make --help | --version

Without -o, the test file is the source path with its extension replaced by
".DLL", and a decoded source goes to standard output. Exit status: 0 done,
1 bad input (the source has an error, a file cannot be read or written),
2 bad usage. Every error of the source is told with its line (the first 20),
and nothing is written when there is one.

The source is UTF-8 text (a BOM is allowed; LF or CR LF line ends), and every
character of it must have a Windows-1251 form. A source saved as Windows-1251
is read as such (a note says so). An example:

  # A line whose first non-blank character is "#" is a comment.
  Title: История Древнего мира
  Description: Проверка знаний по теме «Древний Египет».
  Comments: На каждый вопрос выберите один вариант.
  Time: 10

  Какая река протекала через Древний Египет?
  A. Тигр
  B. Нил
  C. Евфрат
  D. Инд
  ANSWER: B

  Second question text,
  which may span several lines.
  A) first option
  B) second option
  ANSWER: A

Header: "Keyword: value" lines at the start of the file, keywords Title,
Description, Comments, Time (or Название, Описание, Комментарии, Время; any
letter case), each at most once. The header ends at the first blank line or
at the first line that is no keyword line. A value continues on following
lines indented with a space or a tab; the lines are joined with a line break.
A keyword left out leaves its key out of the test file, and the student sees
"Ошибка открытия теста" there (a warning says so), except Time: the time for
the whole test in whole minutes, 1 to 35791394, must be given.

Questions: one or more lines of question text, then option lines (a capital
letter A to D, or А to Г, then "." or ")", then the option text, which may
be empty) in the order of the letters (a letter may be skipped), then
"ANSWER: X" or "ОТВЕТ: X" naming one of the options. The letters of a
question, X included, are all Latin or all Cyrillic. Blank lines between
questions are ignored. Text lines are trimmed of blanks; question text lines
are joined with a line break. A source needs at least one question.

Quoted texts: a header value, a question text (as its only line) or an option
text may be written in double quotes, with the escapes \\ \" \r \n \t and \xHH
(a Windows-1251 byte in hex). Unquoted texts are taken as they are.
)help");

void PrintTryHelp() { std::cerr << authoring::Tr("Try 'miravel-make --help'.") << '\n'; }

int UsageError(const std::string& message) {
  std::cerr << "miravel-make: " << message << '\n';
  PrintTryHelp();
  return kBadUsage;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::string content;
  char buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return content;
}

bool WriteFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  return static_cast<bool>(out);
}

// Paths are the operating system's bytes (on Windows, the ANSI code page the
// command line comes in), so they are taken apart as bytes.
#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/:";
#else
constexpr std::string_view kSeparators = "/";
#endif

// The last part of a path.
std::string FileName(const std::string& path) {
  const auto separator = path.find_last_of(kSeparators);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The path with the extension of its last part (from its last ".", unless
// the name starts there) replaced by `extension`, or `extension` added.
std::string ReplaceExtension(const std::string& path, std::string_view extension) {
  const std::size_t name = path.size() - FileName(path).size();
  const auto dot = path.rfind('.');
  const bool has_extension = dot != std::string::npos && dot > name && path.compare(name, std::string::npos, "..") != 0;
  return (has_extension ? path.substr(0, dot) : path) + std::string(extension);
}

#ifdef _WIN32
// The full path of `path` by the system's rules ("." and ".." resolved, "/"
// made "\").
std::string FullPath(const std::string& path) {
  const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::string full(size, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

// Whether two paths name the same file (or would, once made): the same file
// when both exist, else the same full path without regard to letter case.
bool SamePath(const std::string& a, const std::string& b) {
  const auto stamp_a = miravel::fs::Stamp(a);
  const auto stamp_b = miravel::fs::Stamp(b);
  if (stamp_a.exists && stamp_b.exists && stamp_a.inode != 0)
    return stamp_a.device == stamp_b.device && stamp_a.inode == stamp_b.inode;
  return cp1251::EqualsIgnoringCase(FullPath(a), FullPath(b));
}
#else
// Whether two paths name the same file (or would, once made).
bool SamePath(const std::string& a, const std::string& b) {
  namespace stdfs = std::filesystem;
  std::error_code ec;
  if (stdfs::equivalent(a, b, ec)) return true;
  return stdfs::weakly_canonical(a, ec) == stdfs::weakly_canonical(b, ec) && !ec;
}
#endif

void PrintDiagnostic(const std::string& file, const authoring::Diagnostic& d, bool warning) {
  std::cerr << file;
  if (d.line != 0) std::cerr << ':' << d.line;
  std::cerr << ": " << (warning ? authoring::Format(authoring::Tr("warning: %s"), d.message) : d.message) << '\n';
}

int Make(const std::string& source_path, std::string output_path, bool fit_check) {
  if (output_path.empty()) output_path = ReplaceExtension(source_path, ".DLL");
  if (SamePath(source_path, output_path))
    return UsageError(authoring::Format(authoring::Tr("the test file %s would replace the source"), output_path));
  const auto source = ReadFile(source_path);
  if (!source) {
    std::cerr << source_path << ": " << authoring::Tr("cannot read the file") << '\n';
    return kBadInput;
  }
  const auto result = authoring::Compile(*source);
  if (result.encoding == authoring::SourceEncoding::kWindows1251)
    std::cerr << source_path << ": " << authoring::Tr("the source is not UTF-8: read as Windows-1251") << '\n';
  for (const auto& warning : result.warnings) PrintDiagnostic(source_path, warning, true);
  if (!result.errors.empty()) {
    for (const auto& error : result.errors) PrintDiagnostic(source_path, error, false);
    if (result.more_errors)
      std::cerr << source_path << ": "
                << authoring::Format(authoring::Tr("too many errors; only the first %s are shown"),
                                     std::to_string(authoring::kMaxErrors))
                << '\n';
    std::cerr << source_path << ": " << authoring::Tr("nothing written") << '\n';
    return kBadInput;
  }
  try {
    result.document->SaveAs(output_path);
  } catch (const ProfileWriteError&) {
    std::cerr << source_path << ": " << authoring::Format(authoring::Tr("cannot write the test file %s"), output_path)
              << '\n';
    return kBadInput;
  }
  // Warnings only: the test file stays made.
  if (fit_check) {
    const auto parsed = authoring::ParseSource(*source);
    if (parsed.source)
      for (const auto& warning : make::CheckFit(output_path, *parsed.source))
        PrintDiagnostic(source_path, warning, true);
  }
  return kOk;
}

int DecodeFile(const std::string& test_path, const std::string& output_path) {
  if (!output_path.empty() && SamePath(test_path, output_path))
    return UsageError(authoring::Format(authoring::Tr("the output %s would replace the test file"), output_path));
  // Reads never fail on a profile file, so check that there is one while
  // reading it, as the program would read it.
  // A FIFO, a device or a folder is no test file: it is never opened for
  // reading, so that the command cannot hang on it.
  auto content = miravel::fs::ReadWhole(test_path);
  if (!content) {
    const miravel::fs::FileStamp stamp = miravel::fs::Stamp(test_path);
    std::cerr << test_path << ": "
              << authoring::Tr(stamp.exists && !stamp.regular ? authoring::TrNoop("not a regular file")
                                                              : authoring::TrNoop("cannot read the file"))
              << '\n';
    return kBadInput;
  }
  const ProfileDocument file(std::move(content->bytes));
  const std::string text = authoring::Decode(file, FileName(test_path));
  if (output_path.empty()) {
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    std::cout.flush();
    if (!std::cout) {
      std::cerr << test_path << ": " << authoring::Tr("cannot write to standard output") << '\n';
      return kBadInput;
    }
    return kOk;
  }
  if (!WriteFile(output_path, text)) {
    std::cerr << test_path << ": " << authoring::Format(authoring::Tr("cannot write %s"), output_path) << '\n';
    return kBadInput;
  }
  return kOk;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // A decoded source goes out byte for byte, as with -o: no CR added.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  authoring::UseSystemLanguage();
  const std::vector<std::string> args(argv + 1, argv + argc);
  bool decode = false;
  std::optional<std::string> output;
  std::vector<std::string> inputs;
  bool options_end = false;
  bool set_password = false;
  bool fit_check = true;
  make::PasswordSetting password_setting;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_end || arg.empty() || arg[0] != '-' || arg == "-") {
      inputs.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << authoring::Tr(kHelp) << '\n' << make::FitCheckHelp() << '\n' << make::PasswordSettingHelp();
      return kOk;
    } else if (arg == "--version") {
      std::cout << "miravel-make " MIRAVEL_VERSION "\n";
      return kOk;
    } else if (arg == "--decode") {
      decode = true;
    } else if (arg == "--no-fit-check") {
      fit_check = false;
    } else if (arg == "--set-report-password") {
      set_password = true;
    } else if (arg == "--password-stdin") {
      password_setting.from_stdin = true;
    } else if (arg == "--config") {
      if (i + 1 >= args.size() || args[i + 1].empty())
        return UsageError(authoring::Format(authoring::Tr("option %s needs a file name"), arg));
      password_setting.config = args[++i];
    } else if (arg == "-o" || arg == "--output") {
      if (i + 1 >= args.size()) return UsageError(authoring::Format(authoring::Tr("option %s needs a file name"), arg));
      if (output) return UsageError(authoring::Format(authoring::Tr("%s is given twice"), arg));
      output = args[++i];
      if (output->empty()) return UsageError(authoring::Format(authoring::Tr("option %s needs a file name"), arg));
    } else {
      return UsageError(authoring::Format(authoring::Tr("unknown option %s"), arg));
    }
  }
  if (set_password || password_setting.config || password_setting.from_stdin) {
    if (!set_password) return UsageError(authoring::Tr("--config and --password-stdin go with --set-report-password"));
    if (decode || output || !inputs.empty())
      return UsageError(authoring::Tr("--set-report-password takes no file or other option"));
    return make::SetReportPassword(password_setting);
  }
  if (inputs.empty())
    return UsageError(
        authoring::Tr(decode ? authoring::TrNoop("no test file to decode") : authoring::TrNoop("no source file")));
  if (inputs.size() > 1)
    return UsageError(authoring::Format(authoring::Tr("more than one input file: %s, %s"), inputs[0], inputs[1]));
  return decode ? DecodeFile(inputs[0], output.value_or("")) : Make(inputs[0], output.value_or(""), fit_check);
}
