// SPDX-License-Identifier: GPL-3.0-or-later
// Windows-1251 text: every text of the program (section names, keys, values,
// captions) is a byte string in this code page. This header converts between
// those bytes and Unicode, and turns the program's own UTF-8 literals into
// Windows-1251 bytes at compile time.
//
// All 256 byte values have a Unicode counterpart. 0x98 is unassigned in
// Windows-1251; it maps to U+0098 (the C1 control of the same number), so
// every byte string survives a trip to Unicode and back unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace miravel {

// A Windows-1251 byte string; lengths and positions count bytes.
using Text = std::string;

namespace cp1251 {

// Unicode code point of each byte 0x80..0xFF (0x00..0x7F are ASCII).
inline constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// The Unicode code point of one Windows-1251 byte.
constexpr char32_t ToUnicode(unsigned char byte) {
  return byte < 0x80 ? char32_t{byte} : char32_t{kHighHalf[byte - 0x80u]};
}

// The Windows-1251 byte of a code point, or nothing when it has none.
constexpr std::optional<unsigned char> FromUnicode(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  for (std::size_t i = 0; i < kHighHalf.size(); ++i)
    if (kHighHalf[i] == cp) return static_cast<unsigned char>(0x80u + i);
  return std::nullopt;
}

// One step of UTF-8 decoding: the code point at `pos` and its length in
// bytes, or nothing for a malformed, overlong or surrogate sequence.
struct Utf8Char {
  char32_t cp;
  std::size_t length;
};
constexpr std::optional<Utf8Char> DecodeUtf8At(std::string_view s, std::size_t pos) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b0 = at(pos);
  if (b0 < 0x80) return Utf8Char{b0, 1};
  std::size_t len = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0u) == 0xC0u) {
    len = 2;
    cp = b0 & 0x1Fu;
    min = 0x80;
  } else if ((b0 & 0xF0u) == 0xE0u) {
    len = 3;
    cp = b0 & 0x0Fu;
    min = 0x800;
  } else if ((b0 & 0xF8u) == 0xF0u) {
    len = 4;
    cp = b0 & 0x07u;
    min = 0x10000;
  } else return std::nullopt;
  if (pos + len > s.size()) return std::nullopt;
  for (std::size_t i = 1; i < len; ++i) {
    const unsigned char b = at(pos + i);
    if ((b & 0xC0u) != 0x80u) return std::nullopt;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
  return Utf8Char{cp, len};
}

// The lower-case partner of a byte: Latin A-Z and the Cyrillic capitals of
// the code page (А-Я, Ё and the other Cyrillic letters); every other byte is
// its own partner.
inline constexpr std::array<unsigned char, 256> kFoldCase = [] {
  std::array<unsigned char, 256> t{};
  for (unsigned i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  for (unsigned c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 32);
  for (unsigned c = 0xC0; c <= 0xDF; ++c) t[c] = static_cast<unsigned char>(c + 32);  // А-Я
  constexpr std::array<std::array<unsigned char, 2>, 15> kPairs = {{
      {0x80, 0x90},
      {0x81, 0x83},
      {0x8A, 0x9A},
      {0x8C, 0x9C},
      {0x8D, 0x9D},
      {0x8E, 0x9E},
      {0x8F, 0x9F},
      {0xA1, 0xA2},
      {0xA3, 0xBC},
      {0xA5, 0xB4},
      {0xA8, 0xB8},
      {0xAA, 0xBA},
      {0xAF, 0xBF},
      {0xB2, 0xB3},
      {0xBD, 0xBE},
  }};
  for (const auto& p : kPairs) t[p[0]] = p[1];
  return t;
}();

constexpr unsigned char FoldCase(char c) { return kFoldCase[static_cast<unsigned char>(c)]; }

// Whether two texts are equal without regard to letter case.
constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t cp);

// Windows-1251 bytes to UTF-8. Never fails.
std::string ToUtf8(std::string_view text);

// UTF-8 to Windows-1251. A character with no Windows-1251 form, and every
// byte of a malformed UTF-8 sequence, becomes `replacement` ("?" as typed text
// does on the platform).
Text FromUtf8(std::string_view utf8, char replacement = '?');

// UTF-8 to Windows-1251 without loss: the first offending place is reported
// instead. `offset` is the byte offset in the input; `cp` is the character
// that has no Windows-1251 form, or nothing for malformed UTF-8.
struct Utf8Problem {
  std::size_t offset;
  std::optional<char32_t> cp;
};
struct StrictResult {
  Text text;
  std::optional<Utf8Problem> problem;
};
StrictResult FromUtf8Strict(std::string_view utf8);

// --- compile-time literals ------------------------------------------------

// A UTF-8 string literal usable as a template argument.
template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  consteval Utf8Literal(const char (&s)[N]) {  // NOLINT: implicit by design
    for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
  }
  constexpr std::string_view view() const { return {bytes, N - 1}; }
};

consteval std::size_t CountChars(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t pos = 0; pos < s.size(); ++n) {
    const auto ch = DecodeUtf8At(s, pos);
    if (!ch) throw std::logic_error("malformed UTF-8 in a program text");
    if (!FromUnicode(ch->cp)) throw std::logic_error("program text has a character with no Windows-1251 form");
    pos += ch->length;
  }
  return n;
}

template <Utf8Literal S>
struct Storage {
  static constexpr std::size_t kSize = CountChars(S.view());
  static constexpr std::array<char, kSize + 1> kBytes = [] {
    std::array<char, kSize + 1> out{};
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < S.view().size();) {
      const auto ch = *DecodeUtf8At(S.view(), pos);
      out[n++] = static_cast<char>(*FromUnicode(ch.cp));
      pos += ch.length;
    }
    return out;
  }();
};

}  // namespace cp1251

namespace literals {
// "Миравель"_w is the Windows-1251 form of a UTF-8 literal, made by the
// compiler: a view of static bytes, with no conversion at run time.
template <cp1251::Utf8Literal S>
constexpr std::string_view operator""_w() {
  return {cp1251::Storage<S>::kBytes.data(), cp1251::Storage<S>::kSize};
}
}  // namespace literals

}  // namespace miravel
