// SPDX-License-Identifier: GPL-3.0-or-later
// The teacher's source text (UTF-8, or Windows-1251 as older editors save
// it; described in tools/miravel-make/FORMAT.md) parsed, checked and compiled
// into the test file layout; decoder.h prints a test file back as source.
//
// Everything here works in memory: compiling gives a ProfileDocument, so the
// command-line tool, the tests and the fuzz target share one code path. The
// messages are in the user's language through messages.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "authoring/text.h"
#include "platform/cp1251.h"
#include "platform/profile_file.h"

namespace miravel::authoring {

// Longest Time, in minutes: its number of seconds still fits a signed 32-bit
// integer.
using text::kMaxTimeMinutes;

// How many errors of a source are told at most.
inline constexpr std::size_t kMaxErrors = 20;

// A message about the source. `line` is 1-based; 0 means the whole source.
struct Diagnostic {
  std::size_t line = 0;
  std::string message;  // UTF-8, in the user's language (messages.h)
};

// One question of a parsed source; texts are Windows-1251.
struct SourceQuestion {
  std::size_t line = 0;  // where its text starts
  Text text;
  std::array<std::optional<Text>, 4> options;  // A..D; absent ones are not stored
  std::array<std::size_t, 4> option_lines{};  // where each option is given; 0 when absent
  std::uint8_t answer = 0;  // 0..3, always an option present
};

// A parsed source. An absent header field leaves its key out of the file.
struct TestSource {
  std::optional<Text> title;
  std::optional<Text> description;
  std::optional<Text> comments;
  std::optional<std::int32_t> time_minutes;
  // Where the title, description and comments are given; 0 when absent.
  std::size_t title_line = 0;
  std::size_t description_line = 0;
  std::size_t comments_line = 0;
  std::vector<SourceQuestion> questions;
};

// How the bytes of a source were read.
enum class SourceEncoding { kUtf8, kWindows1251 };

struct ParseResult {
  SourceEncoding encoding = SourceEncoding::kUtf8;
  std::optional<TestSource> source;  // set when there is no error
  // The errors of the source in line order (those of the whole source, line
  // 0, first), at most kMaxErrors of them.
  std::vector<Diagnostic> errors;
  bool more_errors = false;  // the source has more errors than `errors` holds
  std::vector<Diagnostic> warnings;  // in line order; also given with errors
};

// Parses a source text (LF or CR LF line ends). It is read as UTF-8 (with an
// optional BOM), unless it is no UTF-8 and reads as Windows-1251: every byte
// is a character of that code page, and the bytes that are not UTF-8
// outnumber the UTF-8 characters beyond ASCII. A source with a stray byte in
// UTF-8 text stays UTF-8, and the byte is an error.
ParseResult ParseSource(std::string_view source);

// The test file of a parsed source, built in memory, keys in file order.
ProfileDocument BuildDocument(const TestSource& source);

struct CompileResult {
  SourceEncoding encoding = SourceEncoding::kUtf8;
  std::optional<ProfileDocument> document;  // set when there is no error
  std::vector<Diagnostic> errors;
  bool more_errors = false;
  std::vector<Diagnostic> warnings;
};

// ParseSource followed by BuildDocument.
CompileResult Compile(std::string_view source);

}  // namespace miravel::authoring
