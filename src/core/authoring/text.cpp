// SPDX-License-Identifier: GPL-3.0-or-later
#include "authoring/text.h"

#include <algorithm>

namespace miravel::authoring::text {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

bool IsControl(char c) {
  const unsigned char b = Byte(c);
  return b < 0x20 || b == 0x7F || b == 0x98;
}

std::string Hex(unsigned value, int digits) {
  std::string out(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = "0123456789ABCDEF"[value & 0xFu];
    value >>= 4;
  }
  return out;
}

std::optional<OptionLetter> OptionLetterOf(char c) {
  const unsigned char b = Byte(c);
  if (c >= 'A' && c <= 'D') return OptionLetter{Alphabet::kLatin, static_cast<std::size_t>(c - 'A'), c};
  if (b >= kCyrillicCapitalA && b < kCyrillicCapitalA + 4)
    return OptionLetter{Alphabet::kCyrillic, static_cast<std::size_t>(b - kCyrillicCapitalA), c};
  if (b == kCyrillicCapitalEs) return OptionLetter{Alphabet::kCyrillic, 2, c};
  return std::nullopt;
}

std::optional<OptionLetter> OptionLineLetter(std::string_view t) {
  if (t.size() < 2 || !IsLetterMark(t[1])) return std::nullopt;
  return OptionLetterOf(t[0]);
}

bool IsFifthOptionLine(std::string_view t) {
  if (t.size() < 2 || !IsLetterMark(t[1]) || IsOptionLine(t)) return false;
  const unsigned char b = Byte(t[0]);
  return (t[0] > 'D' && t[0] <= 'Z') || (b >= kCyrillicCapitalDe && b <= kCyrillicCapitalYa);
}

std::optional<char> CapitalOptionLetter(char c) {
  const unsigned char b = Byte(c);
  if (c >= 'a' && c <= 'd') return static_cast<char>(c - 'a' + 'A');
  if (b >= kCyrillicSmallA && b < kCyrillicSmallA + 4)
    return static_cast<char>(b - kCyrillicSmallA + kCyrillicCapitalA);
  return std::nullopt;
}

std::optional<std::string_view> AnswerRest(std::string_view t) {
  for (const std::string_view keyword : {std::string_view("answer"), "ответ"_w}) {
    if (t.size() < keyword.size() || !EqualsNoCase(t.substr(0, keyword.size()), keyword)) continue;
    const std::string_view rest = TrimLeft(t.substr(keyword.size()));
    if (rest.empty() || rest.front() != ':') return std::nullopt;
    return rest.substr(1);
  }
  return std::nullopt;
}

namespace {

struct HeaderKeyword {
  std::string_view name;  // Windows-1251
  Field field;
};
constexpr std::array<HeaderKeyword, 8> kHeaderKeywords = {{
    {"Title", Field::kTitle},
    {"Description", Field::kDescription},
    {"Comments", Field::kComments},
    {"Time", Field::kTime},
    {"Название"_w, Field::kTitle},
    {"Описание"_w, Field::kDescription},
    {"Комментарии"_w, Field::kComments},
    {"Время"_w, Field::kTime},
}};

}  // namespace

std::optional<HeaderLine> MatchHeaderLine(std::string_view t) {
  const auto colon = t.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view key = Trim(t.substr(0, colon));
  for (const auto& keyword : kHeaderKeywords)
    if (EqualsNoCase(key, keyword.name)) return HeaderLine{keyword.field, t.substr(colon + 1)};
  return std::nullopt;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> pieces;
  for (std::size_t pos = 0;;) {
    const auto end = text.find(kLineBreak, pos);
    pieces.push_back(text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
    if (end == std::string_view::npos) return pieces;
    pos = end + kLineBreak.size();
  }
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (IsControl(c)) out += "\\x" + Hex(Byte(c), 2);
        else cp1251::AppendUtf8(out, cp1251::ToUnicode(Byte(c)));
    }
  }
  out += '"';
  return out;
}

bool IsPlainPiece(std::string_view piece) {
  if (std::any_of(piece.begin(), piece.end(), IsControl)) return false;
  if (!piece.empty() && (IsBlank(piece.front()) || IsBlank(piece.back()))) return false;
  return piece.empty() || piece.front() != '"';
}

std::string LetterName(Alphabet alphabet, std::size_t option) {
  if (alphabet == Alphabet::kLatin) return std::string(1, static_cast<char>('A' + option));
  return Utf8(std::string(1, static_cast<char>(kCyrillicCapitalA + option)));
}

std::string LetterList(Alphabet alphabet) {
  std::string out;
  for (std::size_t option = 0; option < 4; ++option) out += (option ? ", " : "") + LetterName(alphabet, option);
  return out;
}

}  // namespace miravel::authoring::text
