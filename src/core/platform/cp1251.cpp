// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cp1251.h"

namespace miravel::cp1251 {

void AppendUtf8(std::string& out, char32_t cp) {
  const auto put = [&](char32_t v) { out.push_back(static_cast<char>(v)); };
  if (cp < 0x80) {
    put(cp);
  } else if (cp < 0x800) {
    put(0xC0 | (cp >> 6));
    put(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    put(0xE0 | (cp >> 12));
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  } else {
    put(0xF0 | (cp >> 18));
    put(0x80 | ((cp >> 12) & 0x3F));
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  }
}

std::string ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char c : text) AppendUtf8(out, ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

namespace {
// Reverse table for the upper half, built once.
struct ReverseTable {
  // Code points of the upper half are all below 0x2200.
  std::array<unsigned char, 0x2200> byte{};
  ReverseTable() {
    for (unsigned i = 0; i < 128; ++i) byte[kHighHalf[i]] = static_cast<unsigned char>(0x80 + i);
  }
  std::optional<unsigned char> Find(char32_t cp) const {
    if (cp < 0x80) return static_cast<unsigned char>(cp);
    if (cp < byte.size() && byte[cp] != 0) return byte[cp];
    return std::nullopt;
  }
};
const ReverseTable& Reverse() {
  static const ReverseTable kTable;
  return kTable;
}
}  // namespace

Text FromUtf8(std::string_view utf8, char replacement) {
  Text out;
  out.reserve(utf8.size());
  const auto& rev = Reverse();
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto ch = DecodeUtf8At(utf8, pos);
    if (!ch) {
      out.push_back(replacement);
      ++pos;
      continue;
    }
    const auto b = rev.Find(ch->cp);
    out.push_back(b ? static_cast<char>(*b) : replacement);
    pos += ch->length;
  }
  return out;
}

StrictResult FromUtf8Strict(std::string_view utf8) {
  StrictResult result;
  result.text.reserve(utf8.size());
  const auto& rev = Reverse();
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto ch = DecodeUtf8At(utf8, pos);
    if (!ch) {
      result.problem = Utf8Problem{pos, std::nullopt};
      return result;
    }
    const auto b = rev.Find(ch->cp);
    if (!b) {
      result.problem = Utf8Problem{pos, ch->cp};
      return result;
    }
    result.text.push_back(static_cast<char>(*b));
    pos += ch->length;
  }
  return result;
}

}  // namespace miravel::cp1251
