// SPDX-License-Identifier: GPL-3.0-or-later
// The text helpers of the source format, shared by the parser and the
// decoder: how a line is read (its kind, its option letter, its header
// keyword) and how a text is written back (plain or quoted).
//
// Every check that decides how a line is read looks at its Windows-1251 form
// (where a Cyrillic letter is one byte). The decoder applies the parser's
// own checks to the texts it prints, so the two cannot drift apart.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp1251.h"

namespace miravel::authoring::text {

using namespace miravel::literals;

// Longest Time, in minutes: its number of seconds still fits a signed 32-bit
// integer.
inline constexpr std::int32_t kMaxTimeMinutes = 35791394;

// How the lines of a multi-line text are joined in a test file.
inline constexpr std::string_view kLineBreak = "\r\n";

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s);
std::string_view TrimLeft(std::string_view s);

inline unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// Bytes shown escaped in a quoted text: the C0 controls, DEL and 0x98, the
// one byte of Windows-1251 without a character of its own.
bool IsControl(char c);

// `value` in `digits` upper-case hex digits.
std::string Hex(unsigned value, int digits);

// Line kinds, on a line trimmed of blanks.
inline bool IsComment(std::string_view t) { return !t.empty() && t.front() == '#'; }
inline bool IsQuoted(std::string_view t) { return t.size() >= 2 && t.front() == '"' && t.back() == '"'; }

// Options are lettered A B C D, or А Б В Г on a Russian keyboard.
enum class Alphabet { kLatin, kCyrillic };

// Windows-1251 bytes of the Cyrillic letters that matter here.
inline constexpr unsigned char kCyrillicCapitalA = 0xC0;  // А; Б В Г follow it
inline constexpr unsigned char kCyrillicCapitalDe = 0xC4;  // Д, the letter after Г
inline constexpr unsigned char kCyrillicCapitalYa = 0xDF;  // Я, the last capital
inline constexpr unsigned char kCyrillicCapitalEs = 0xD1;  // С, which looks like the Latin C
inline constexpr unsigned char kCyrillicSmallA = 0xE0;  // а; б в г follow it

// The letter of an option line.
struct OptionLetter {
  Alphabet alphabet;
  std::size_t index;  // 0..3; for the Cyrillic С, 2: the C it looks like
  char letter;  // Windows-1251
};

inline bool IsLetterMark(char c) { return c == '.' || c == ')'; }

// A capital option letter: A to D, А to Г, or the Cyrillic С, which an
// option lettered in Latin on a Russian keyboard gets.
std::optional<OptionLetter> OptionLetterOf(char c);

// The letter of an option line ("A." .. "D.", "А." .. "Г.", "С.", or with
// ")"); `t` is Windows-1251.
std::optional<OptionLetter> OptionLineLetter(std::string_view t);

inline bool IsOptionLine(std::string_view t) { return OptionLineLetter(t).has_value(); }

// A capital letter after the last option letter with "." or ")": a would-be
// fifth option (E to Z, Д to Я).
bool IsFifthOptionLine(std::string_view t);

// Marks that a teacher may put after an option letter instead of "." or ")".
inline constexpr std::string_view kWrongLetterMarks = ",;:-]>}/";

// The capital partner of a small option letter (a to d, а to г), or nothing.
std::optional<char> CapitalOptionLetter(char c);

inline constexpr auto EqualsNoCase = cp1251::EqualsIgnoringCase;

// What follows "ANSWER:" (or "ОТВЕТ:") on an ANSWER line, or nothing for
// another line; `t` is Windows-1251.
std::optional<std::string_view> AnswerRest(std::string_view t);

enum class Field : std::size_t { kTitle, kDescription, kComments, kTime };
inline constexpr std::array<std::string_view, 4> kFieldNames = {"Title", "Description", "Comments", "Time"};

struct HeaderLine {
  Field field;
  std::string_view value;  // after the colon, not trimmed
};

// "Keyword: value" with a header keyword; `t` is Windows-1251.
std::optional<HeaderLine> MatchHeaderLine(std::string_view t);

// The lines of a multi-line text (joined by kLineBreak).
std::vector<std::string_view> SplitLines(std::string_view text);

// The quoted form of a Windows-1251 text, as UTF-8.
std::string Quote(std::string_view text);

// A text piece that a plain line gives back unchanged: no control bytes, no
// blanks at either end, and no opening quote (a line in quotes is read as a
// quoted text; one that only starts with a quote is kept quoted for clarity).
bool IsPlainPiece(std::string_view piece);

// A Windows-1251 text as UTF-8.
inline std::string Utf8(std::string_view text) { return cp1251::ToUtf8(text); }

// The option letters of an alphabet, as messages show them (UTF-8).
std::string LetterName(Alphabet alphabet, std::size_t option);

// "A, B, C, D" or "А, Б, В, Г".
std::string LetterList(Alphabet alphabet);

}  // namespace miravel::authoring::text
