// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target of the profile-file parser and editor.
//
// The input is the content of a profile file. Section names and keys are
// taken from its own lines (plus a few fixed ones), so that lookups hit as
// well as miss. Then one value, cut from the input and so holding any bytes
// (NUL, CR, LF, quotes, blanks), is set, and the target checks:
//  - the value reads back byte for byte, in the edited document and in a
//    document parsed again from the edited content;
//  - every other key looked up before reads as it did (Set changes one key);
//  - names match without regard to letter case;
//  - a number read from a value reads the same from its decimal form.
// Any mismatch aborts, so libFuzzer reports it with the input.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_file.h"

namespace {

using miravel::ProfileDocument;
using miravel::Text;

// The bytes in C escapes, for the report of a mismatch.
std::string Printable(std::string_view s) {
  std::string out;
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(ch);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

std::string PrintableValue(const std::optional<Text>& v) {
  return v ? "\"" + Printable(std::string_view(*v)) + "\"" : std::string("(missing)");
}

[[noreturn]] void Mismatch(const char* what, std::string_view section, std::string_view key,
                           const std::optional<Text>& want = std::nullopt,
                           const std::optional<Text>& got = std::nullopt) {
  std::fprintf(stderr, "profile_fuzz: %s\n  section \"%s\" key \"%s\"\n  want %s\n  got  %s\n", what,
               Printable(section).c_str(), Printable(key).c_str(), PrintableValue(want).c_str(),
               PrintableValue(got).c_str());
  std::abort();
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Lower-case partner used to decide whether two names are the same name.
// Generous on purpose (every Cyrillic pair of Windows-1251): a pair it calls
// equal is only left unchecked.
unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32u);
  if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 32u);
  switch (c) {
    case 0x80: return 0x90;
    case 0x81: return 0x83;
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8D: return 0x9D;
    case 0x8E: return 0x9E;
    case 0x8F: return 0x9F;
    case 0xA1: return 0xA2;
    case 0xA3: return 0xBC;
    case 0xA5: return 0xB4;
    case 0xA8: return 0xB8;
    case 0xAA: return 0xBA;
    case 0xAF: return 0xBF;
    case 0xB2: return 0xB3;
    case 0xBD: return 0xBE;
    default: return c;
  }
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// The name with Latin and Russian letters turned to capitals: the same name.
std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& ch : out) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || c >= 0xE0) ch = static_cast<char>(c - 32u);
  }
  return out;
}

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Names that a written "[name]" header reads back as: no line break, no "]",
// no blanks at the ends.
bool UsableSection(std::string_view s) {
  return !s.empty() && !HasLineBreakOrNul(s) && s.find(']') == std::string_view::npos && Trim(s) == s;
}

// Keys that a written "key=value" line reads back as.
bool UsableKey(std::string_view k) {
  return !k.empty() && !HasLineBreakOrNul(k) && k.find('=') == std::string_view::npos && k.front() != ';' &&
         k.front() != '[' && Trim(k) == k;
}

std::uint64_t Hash(std::string_view s) {
  std::uint64_t h = 1469598103934665603ull;
  for (const char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

void AddUnique(std::vector<std::string>& names, std::string_view name, std::size_t limit) {
  if (names.size() >= limit) return;
  for (const auto& n : names)
    if (n == name) return;
  names.emplace_back(name);
}

struct Lookup {
  std::string section;
  std::string key;
  std::optional<Text> value;
};

void CheckNumber(const Text& value) {
  const auto n = miravel::ParseProfileNumber(value);
  if (!n) return;
  if (miravel::ParseProfileNumber(std::to_string(*n)) != n) Mismatch("number not read back from decimal", "", value);
  if (miravel::ParseProfileNumber(" \t" + value) != n) Mismatch("leading blanks change a number", "", value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  ProfileDocument doc(input);

  // Names from the input's own lines.
  std::vector<std::string> sections;
  std::vector<std::string> keys;
  for (std::size_t pos = 0; pos < input.size();) {
    std::size_t end = input.find('\n', pos);
    if (end == std::string::npos) end = input.size();
    std::string_view line(input.data() + pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view t = Trim(line);
    if (!t.empty() && t.front() == '[') {
      std::string_view name = t.substr(1);
      name = Trim(name.substr(0, name.find(']')));
      AddUnique(sections, name, 6);
    } else if (const auto eq = t.find('='); eq != std::string_view::npos && !t.empty() && t.front() != ';') {
      AddUnique(keys, Trim(t.substr(0, eq)), 6);
    }
  }
  AddUnique(sections, "Main", 8);
  AddUnique(sections, "qw 1", 8);
  AddUnique(keys, "QwText", 8);
  AddUnique(keys, "va0", 8);

  std::vector<Lookup> before;
  for (const auto& s : sections) {
    const bool has = doc.HasSection(s);
    if (doc.HasSection(Upper(s)) != has) Mismatch("HasSection depends on letter case", s, "");
    for (const auto& k : keys) {
      auto v = doc.Find(s, k);
      if (v && !has) Mismatch("key found in a missing section", s, k);
      if (v && v->size() > miravel::kMaxValue) Mismatch("value longer than kMaxValue", s, k);
      if (auto upper = doc.Find(Upper(s), Upper(k)); upper != v)
        Mismatch("Find depends on letter case", s, k, v, upper);
      if (v) CheckNumber(*v);
      before.push_back({s, k, std::move(v)});
    }
  }

  // The value to set: a slice of the input, at most kMaxValue bytes.
  const std::uint64_t h = Hash(input);
  const std::size_t start = size == 0 ? 0 : static_cast<std::size_t>(h % (size + 1));
  const std::size_t length = std::min(static_cast<std::size_t>((h >> 20) % (miravel::kMaxValue + 1)), size - start);
  const std::string value = input.substr(start, length);

  std::vector<std::string> usable_sections;
  for (const auto& s : sections)
    if (UsableSection(s)) usable_sections.push_back(s);
  std::vector<std::string> usable_keys;
  for (const auto& k : keys)
    if (UsableKey(k)) usable_keys.push_back(k);
  // Mostly names that are already there; sometimes new ones.
  const std::string section = (h >> 40) % 5 == 0 ? std::string("Fuzz ") + std::to_string(h % 97)
                                                 : usable_sections[(h >> 8) % usable_sections.size()];
  const std::string key =
      (h >> 44) % 5 == 0 ? std::string("k") + std::to_string(h % 89) : usable_keys[(h >> 12) % usable_keys.size()];

  doc.Set(section, key, value);
  if (auto got = doc.Find(section, key); got != value)
    Mismatch("value not read back after Set", section, key, value, got);
  if (!doc.HasSection(section)) Mismatch("section missing after Set", section, key);

  const ProfileDocument reread(doc.Content());
  if (auto got = reread.Find(section, key); got != value)
    Mismatch("value not read back from the written content", section, key, value, got);

  for (const auto& l : before) {
    if (SameName(l.section, section) && SameName(l.key, key)) continue;  // the key that was set
    if (auto got = doc.Find(l.section, l.key); got != l.value)
      Mismatch("another key changed by Set", l.section, l.key, l.value, got);
    if (auto got = reread.Find(l.section, l.key); got != l.value)
      Mismatch("another key changed in the written content", l.section, l.key, l.value, got);
  }
  return 0;
}
