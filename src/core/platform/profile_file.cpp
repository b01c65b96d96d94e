// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/profile_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/file_system.h"

namespace miravel {

namespace {

// --- names ----------------------------------------------------------------

unsigned char Fold(char c) { return cp1251::FoldCase(c); }

bool NamesEqual(std::string_view a, std::string_view b) { return cp1251::EqualsIgnoringCase(a, b); }

std::uint64_t NameHash(std::string_view s) {
  std::uint64_t h = 14695981039346656037ull;
  for (const char c : s) {
    h ^= Fold(c);
    h *= 1099511628211ull;
  }
  return h;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// --- values ---------------------------------------------------------------

bool NeedsEscape(std::string_view v) {
  return v.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool WrappedInQuotes(std::string_view v) {
  return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

// The escaped payload back to bytes; nothing when it is not well formed.
std::optional<std::string> Unescape(std::string_view payload) {
  std::string out;
  out.reserve(payload.size());
  for (std::size_t i = 0; i < payload.size(); ++i) {
    const char c = payload[i];
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    if (++i == payload.size()) return std::nullopt;
    switch (payload[i]) {
      case '\\': out.push_back('\\'); break;
      case 'r': out.push_back('\r'); break;
      case 'n': out.push_back('\n'); break;
      case '0': out.push_back('\0'); break;
      default: return std::nullopt;
    }
  }
  return out;
}

// A value as stored (blanks around it already dropped) to the value it holds.
std::string DecodeStored(std::string_view raw) {
  std::string value;
  if (raw.size() >= 3 && raw[0] == '\0' && raw[1] == '"' && raw.back() == '"') {
    if (auto unescaped = Unescape(raw.substr(2, raw.size() - 3))) value = std::move(*unescaped);
    else value.assign(raw);
  } else if (WrappedInQuotes(raw)) {
    value.assign(raw.substr(1, std::min(raw.size() - 2, kMaxValue)));
  } else {
    value.assign(raw.substr(0, kMaxValue));
  }
  if (value.size() > kMaxValue) value.resize(kMaxValue);
  return value;
}

// --- lines ----------------------------------------------------------------

enum class LineKind : std::uint8_t { kBlank, kComment, kSection, kEntry, kOther };

struct Line {
  std::uint32_t begin = 0;  // offset of the line in the content
  std::uint32_t length = 0;  // bytes before the line end
  std::uint32_t name_off = 0, name_len = 0;  // section name or key, from begin
  std::uint32_t value_off = 0, value_len = 0;  // stored value, from begin
  std::uint8_t eol = 0;  // bytes of the line end: 0 (end of file), 1 (LF), 2 (CR LF)
  LineKind kind = LineKind::kBlank;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Fills in kind, name and value of a line whose begin and length are set.
void Classify(const std::string& content, Line& line) {
  const std::string_view text(content.data() + line.begin, line.length);
  const auto rel = [&](std::string_view part) { return static_cast<std::uint32_t>(part.data() - text.data()); };
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  line.name_off = line.name_len = line.value_off = line.value_len = 0;
  if (start == text.size()) {
    line.kind = LineKind::kBlank;
  } else if (text[start] == ';') {
    line.kind = LineKind::kComment;
  } else if (text[start] == '[') {
    line.kind = LineKind::kSection;
    std::string_view rest = text.substr(start + 1);
    rest = rest.substr(0, rest.find(']'));
    rest = Trim(rest);
    line.name_off = rel(rest);
    line.name_len = static_cast<std::uint32_t>(rest.size());
  } else if (const auto eq = text.find('=', start); eq != std::string_view::npos) {
    line.kind = LineKind::kEntry;
    const auto key = Trim(text.substr(start, eq - start));
    const auto value = Trim(text.substr(eq + 1));
    line.name_off = key.empty() ? static_cast<std::uint32_t>(start) : rel(key);
    line.name_len = static_cast<std::uint32_t>(key.size());
    line.value_off = value.empty() ? static_cast<std::uint32_t>(eq + 1) : rel(value);
    line.value_len = static_cast<std::uint32_t>(value.size());
  } else {
    line.kind = LineKind::kOther;
  }
}

constexpr std::uint32_t kNoLine = std::numeric_limits<std::uint32_t>::max();

// Sections with more entries than this get a hash table of their keys.
constexpr std::uint32_t kLinearKeys = 24;

// Open-addressing table of indices; `same_name(i)` and `matches(i)` say what an
// index stands for. Keeps the first index inserted for each name. Each slot
// keeps 32 bits of its index's mixed hash beside it, so that a probe looks at
// the names themselves only when those agree, and growing needs no name at
// all (a table never has more than 2^32 slots: indices are 32-bit).
class IndexTable {
 public:
  // Room for `count` indices without growing.
  void Reserve(std::size_t count) {
    if ((count + 1) * 2 <= slots_.size()) return;
    std::size_t size = 16;
    while (size < (count + 1) * 2) size *= 2;
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(size, Slot{});
    for (const Slot& s : old)
      if (s.index != 0) Place(s);
  }
  // Inserts `index` unless an entry for the same name is there already.
  template <typename SameName>
  void InsertFirst(std::uint32_t index, std::uint64_t hash, SameName same_name) {
    Reserve(++count_);
    const std::uint32_t mixed = Mix(hash);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = mixed & mask;; i = (i + 1) & mask) {
      if (slots_[i].index == 0) {
        slots_[i] = Slot{index + 1, mixed};
        return;
      }
      if (slots_[i].mixed == mixed && same_name(slots_[i].index - 1)) {
        --count_;
        return;
      }
    }
  }
  // One index to insert, with its name's hash.
  struct Pending {
    std::uint32_t index;
    std::uint64_t hash;
  };
  // InsertFirst of every index of `pending`, given in the order of their
  // indices, with the same result. They go in ordered by the slot where each
  // probe starts, so that a large table is written from front to back rather
  // than at random places far apart, each a miss of the processor's caches.
  // (For names that are the same, the order of their indices is kept.)
  template <typename SameName>
  void InsertAllFirst(std::span<const Pending> pending, SameName same_name) {
    Reserve(count_ + pending.size());
    const std::size_t mask = slots_.size() - 1;
    std::vector<Slot> order(pending.size());
    for (std::size_t i = 0; i < pending.size(); ++i) order[i] = Slot{pending[i].index, Mix(pending[i].hash)};
    // A stable sort by the start slot: two passes of 16 bits.
    std::vector<Slot> sorted(order.size());
    for (const int shift : {0, 16}) {
      std::vector<std::size_t> starts((std::size_t{1} << 16) + 1, 0);
      for (const Slot& o : order) ++starts[(((o.mixed & mask) >> shift) & 0xFFFF) + 1];
      for (std::size_t b = 1; b < starts.size(); ++b) starts[b] += starts[b - 1];
      for (const Slot& o : order) sorted[starts[((o.mixed & mask) >> shift) & 0xFFFF]++] = o;
      order.swap(sorted);
    }
    for (const Slot& o : order) {
      ++count_;
      for (std::size_t i = o.mixed & mask;; i = (i + 1) & mask) {
        if (slots_[i].index == 0) {
          slots_[i] = Slot{o.index + 1, o.mixed};
          break;
        }
        if (slots_[i].mixed == o.mixed && same_name(slots_[i].index - 1, o.index)) {
          --count_;
          break;
        }
      }
    }
  }
  template <typename Matches>
  std::uint32_t Find(std::uint64_t hash, Matches matches) const {
    if (slots_.empty()) return kNoLine;
    const std::uint32_t mixed = Mix(hash);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = mixed & mask;; i = (i + 1) & mask) {
      if (slots_[i].index == 0) return kNoLine;
      if (slots_[i].mixed == mixed && matches(slots_[i].index - 1)) return slots_[i].index - 1;
    }
  }

 private:
  struct Slot {
    std::uint32_t index = 0;  // the index + 1; 0 for an empty slot
    std::uint32_t mixed = 0;  // Mix of its hash: where its probe starts
  };
  // Where a hash's probe starts. The names' hash mixes its low bits poorly
  // for names that differ only in their last characters ("qw 1000001",
  // "qw 1000002"...), which made long runs of taken slots; every bit of it
  // is mixed into the low ones first (the finaliser of MurmurHash3).
  static std::uint32_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return static_cast<std::uint32_t>(h);
  }
  void Place(const Slot& slot) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slot.mixed & mask;
    while (slots_[i].index != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

struct Section {
  std::uint32_t header = kNoLine;  // line of "[name]"; kNoLine for the lines before the first
  std::uint32_t first = 0;  // first line (the header, if any)
  std::uint32_t end = 0;  // one past the last line
  std::uint32_t entries = 0;
  // Key table of a large section, built on first use: entries are line
  // numbers counted from `first`, so edits elsewhere leave them valid.
  mutable std::unique_ptr<IndexTable> keys;
};

// A section as the first reading of a file finds it: where it lies in the
// content and its name; its lines are not indexed.
struct SectionSpan {
  std::uint32_t begin = 0;  // offset of its "[name]" line; 0 for the lines before the first
  std::uint32_t end = 0;  // one past its last byte
  std::uint32_t name_off = 0, name_len = 0;  // its name in the content
};

// The line that starts at `pos`, ending before `end` (a line end or `end`).
Line LineAt(const std::string& content, std::size_t pos, std::size_t end) {
  const char* data = content.data();
  const void* nl = std::memchr(data + pos, '\n', end - pos);
  std::size_t stop = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - data) : end;
  Line line;
  line.begin = static_cast<std::uint32_t>(pos);
  if (nl) {
    line.eol = 1;
    if (stop > pos && data[stop - 1] == '\r') {
      --stop;
      line.eol = 2;
    }
  }
  line.length = static_cast<std::uint32_t>(stop - pos);
  return line;
}

}  // namespace

// --- document ---------------------------------------------------------------

// A document is read in two degrees. Reading a file finds only its sections
// (Parse): their places, names and the table of names, which is what a read
// needs, so that opening a large test costs one pass over its bytes and little
// memory. A value is then found by looking through its section's lines. The
// lines of the whole file are indexed (Index) once the document is edited, or
// once a section turns out to hold more keys than are looked through one by
// one; from then on `lines` and `sections` describe it.
struct ProfileDocument::Impl {
  std::string content;
  bool indexed = false;  // lines and sections hold every line; otherwise only spans
  std::vector<SectionSpan> spans;  // while not indexed
  std::vector<Line> lines;
  std::vector<Section> sections;
  IndexTable section_table;
  bool crlf = true;  // line end used for new lines

  std::string_view NameOf(const Line& l) const { return {content.data() + l.begin + l.name_off, l.name_len}; }
  std::string_view StoredValueOf(const Line& l) const { return {content.data() + l.begin + l.value_off, l.value_len}; }
  std::size_t SectionCount() const { return indexed ? sections.size() : spans.size(); }
  // Whether section s has a "[name]" line (all but the lines before the first).
  bool HasHeader(std::uint32_t s) const { return indexed ? sections[s].header != kNoLine : s != 0; }
  std::string_view SectionName(std::uint32_t s) const {
    if (!indexed)
      return s == 0 ? std::string_view{} : std::string_view(content.data() + spans[s].name_off, spans[s].name_len);
    const Section& sec = sections[s];
    return sec.header == kNoLine ? std::string_view{} : NameOf(lines[sec.header]);
  }
  std::string_view Eol() const { return crlf ? "\r\n" : "\n"; }

  void IndexSection(std::uint32_t s) {
    section_table.InsertFirst(s, NameHash(SectionName(s)),
                              [&](std::uint32_t i) { return NamesEqual(SectionName(i), SectionName(s)); });
  }

  // Indexes the sections by their names: `hashes` holds every section's
  // name hash in order (taken while its line was read), the lines before the
  // first section included. Those count as the section "" only when they
  // hold lines.
  void IndexSections(const std::vector<IndexTable::Pending>& hashes, bool before_first_counts) {
    std::span<const IndexTable::Pending> pending(hashes);
    if (!before_first_counts) pending = pending.subspan(1);
    section_table.InsertAllFirst(
        pending, [&](std::uint32_t a, std::uint32_t b) { return NamesEqual(SectionName(a), SectionName(b)); });
  }

  // Finds the sections of the content, without indexing its lines. A
  // section's line is one whose first byte that is no blank is "[", so only
  // the "[" bytes of the content are looked at, and the lines they stand in.
  void Parse() {
    indexed = false;
    lines.clear();
    sections.clear();
    spans.clear();
    section_table = IndexTable{};
    const char* data = content.data();
    const std::size_t size = content.size();
    spans.push_back(SectionSpan{});  // the lines before the first section
    std::vector<IndexTable::Pending> hashes{{0, NameHash({})}};
    for (std::size_t pos = 0; pos < size;) {
      const void* bracket = std::memchr(data + pos, '[', size - pos);
      if (bracket == nullptr) break;
      const auto at = static_cast<std::size_t>(static_cast<const char*>(bracket) - data);
      std::size_t begin = at;
      while (begin > 0 && IsBlank(data[begin - 1])) --begin;
      if (begin > 0 && data[begin - 1] != '\n') {
        pos = at + 1;  // inside a line
        continue;
      }
      Line line = LineAt(content, begin, size);
      Classify(content, line);
      spans.back().end = line.begin;
      SectionSpan next;
      next.begin = line.begin;
      next.name_off = line.begin + line.name_off;
      next.name_len = line.name_len;
      hashes.push_back({static_cast<std::uint32_t>(spans.size()), NameHash(NameOf(line))});
      spans.push_back(next);
      pos = line.begin + line.length + line.eol;
    }
    spans.back().end = static_cast<std::uint32_t>(size);
    IndexSections(hashes, spans[0].end != 0);
  }

  // Indexes every line of the content: its kind, name and value, and the
  // sections by their lines. The sections keep their numbers.
  void Index() {
    indexed = true;
    spans.clear();
    spans.shrink_to_fit();
    lines.clear();
    sections.clear();
    section_table = IndexTable{};
    const std::size_t size = content.size();
    bool eol_seen = false;
    sections.push_back(Section{});  // the lines before the first section
    std::vector<IndexTable::Pending> hashes{{0, NameHash({})}};
    for (std::size_t pos = 0; pos < size;) {
      Line line = LineAt(content, pos, size);
      if (line.eol != 0 && !eol_seen) {
        crlf = line.eol == 2;
        eol_seen = true;
      }
      Classify(content, line);
      const auto index = static_cast<std::uint32_t>(lines.size());
      if (line.kind == LineKind::kSection) {
        sections.back().end = index;
        Section next;
        next.header = index;
        next.first = index;
        hashes.push_back({static_cast<std::uint32_t>(sections.size()), NameHash(NameOf(line))});
        sections.push_back(std::move(next));
      } else if (line.kind == LineKind::kEntry) {
        ++sections.back().entries;
      }
      lines.push_back(line);
      pos = line.begin + line.length + line.eol;
    }
    sections.back().end = static_cast<std::uint32_t>(lines.size());
    IndexSections(hashes, sections[0].end != 0);
  }

  std::uint32_t FindSection(std::string_view name) const {
    return section_table.Find(NameHash(name), [&](std::uint32_t s) { return NamesEqual(SectionName(s), name); });
  }

  // The stored value of the first entry `key` in section s, or nothing.
  std::optional<std::string_view> StoredValue(std::uint32_t s, std::string_view key) {
    if (!indexed) {
      // The section's lines, looked through in the content; a section with
      // more keys than that suits gets the whole file indexed.
      const SectionSpan span = spans[s];
      std::uint32_t entries = 0;
      std::size_t pos = span.begin;
      if (s != 0) {
        const Line header = LineAt(content, pos, span.end);
        pos = header.begin + header.length + header.eol;
      }
      while (pos < span.end) {
        Line line = LineAt(content, pos, span.end);
        pos = line.begin + line.length + line.eol;
        Classify(content, line);
        if (line.kind != LineKind::kEntry) continue;
        if (NamesEqual(NameOf(line), key)) return StoredValueOf(line);
        if (++entries > kLinearKeys) {
          Index();
          break;
        }
      }
      if (!indexed) return std::nullopt;
    }
    const std::uint32_t at = FindKey(s, key);
    if (at == kNoLine) return std::nullopt;
    return StoredValueOf(lines[at]);
  }

  // Line number of the first entry `key` in section s, or kNoLine.
  std::uint32_t FindKey(std::uint32_t s, std::string_view key) const {
    const Section& sec = sections[s];
    if (sec.entries > kLinearKeys) {
      if (!sec.keys) {
        sec.keys = std::make_unique<IndexTable>();
        sec.keys->Reserve(sec.entries);
        for (std::uint32_t i = sec.first; i < sec.end; ++i) {
          if (lines[i].kind != LineKind::kEntry) continue;
          const std::uint32_t r = i - sec.first;
          sec.keys->InsertFirst(r, NameHash(NameOf(lines[i])), [&](std::uint32_t other) {
            return NamesEqual(NameOf(lines[sec.first + other]), NameOf(lines[i]));
          });
        }
      }
      const std::uint32_t r = sec.keys->Find(
          NameHash(key), [&](std::uint32_t other) { return NamesEqual(NameOf(lines[sec.first + other]), key); });
      return r == kNoLine ? kNoLine : sec.first + r;
    }
    for (std::uint32_t i = sec.first; i < sec.end; ++i)
      if (lines[i].kind == LineKind::kEntry && NamesEqual(NameOf(lines[i]), key)) return i;
    return kNoLine;
  }

  void CheckSize(std::size_t added) const {
    if (content.size() + added >= fs::kMaxFileSize) throw std::length_error("profile file too large");
  }

  // Moves the begin of every line from `from` on by `delta` bytes.
  void Shift(std::uint32_t from, std::int64_t delta) {
    for (std::size_t i = from; i < lines.size(); ++i)
      lines[i].begin = static_cast<std::uint32_t>(lines[i].begin + delta);
  }

  void ReplaceLine(std::uint32_t index, const std::string& text) {
    Line& line = lines[index];
    CheckSize(text.size());
    content.replace(line.begin, line.length, text);
    const std::int64_t delta = static_cast<std::int64_t>(text.size()) - line.length;
    line.length = static_cast<std::uint32_t>(text.size());
    Classify(content, line);
    // A line of the same length (a journal's answer number, most of its
    // texts when an answer is given again) moves nothing after it.
    if (delta != 0) Shift(index + 1, delta);
  }

  // Makes sure the last line of the file ends with a line end. A CR that
  // ends the file is data of that line; a bare LF after it would turn it into
  // a line end, so such a line gets CR LF.
  void TerminateLastLine() {
    if (lines.empty() || lines.back().eol != 0) return;
    const std::string_view eol = content.back() == '\r' ? std::string_view("\r\n") : Eol();
    content.append(eol);
    lines.back().eol = static_cast<std::uint8_t>(eol.size());
  }

  // Inserts a line (given without its line end) before line `index`, into
  // section s, which must contain or end at that position.
  void InsertLine(std::uint32_t index, std::uint32_t s, const std::string& text) {
    CheckSize(text.size() + 2);
    if (index == lines.size()) TerminateLastLine();
    const std::uint32_t begin = index == lines.size() ? static_cast<std::uint32_t>(content.size()) : lines[index].begin;
    const std::string with_eol = text + std::string(Eol());
    content.insert(begin, with_eol);
    Line line;
    line.begin = begin;
    line.length = static_cast<std::uint32_t>(text.size());
    line.eol = static_cast<std::uint8_t>(Eol().size());
    Classify(content, line);
    lines.insert(lines.begin() + index, line);
    Shift(index + 1, static_cast<std::int64_t>(with_eol.size()));
    Section& sec = sections[s];
    ++sec.end;
    if (line.kind == LineKind::kEntry) ++sec.entries;
    sec.keys.reset();
    for (std::size_t t = s + 1; t < sections.size(); ++t) {
      if (sections[t].header != kNoLine) ++sections[t].header;
      ++sections[t].first;
      ++sections[t].end;
    }
  }

  void Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!indexed) Index();
    const std::string stored = EncodeProfileValue(value);
    std::uint32_t s = FindSection(section);
    if (s == kNoLine) {
      // A new section at the end of the file.
      TerminateLastLine();
      Section sec;
      sec.header = sec.first = sec.end = static_cast<std::uint32_t>(lines.size());
      sections.push_back(std::move(sec));
      s = static_cast<std::uint32_t>(sections.size() - 1);
      InsertLine(static_cast<std::uint32_t>(lines.size()), s, "[" + std::string(section) + "]");
      IndexSection(s);
    }
    if (const std::uint32_t at = FindKey(s, key); at != kNoLine) {
      ReplaceLine(at, std::string(NameOf(lines[at])) + "=" + stored);
      return;
    }
    // A new key after the last line of the section that is neither blank nor
    // a comment (those usually belong to what follows).
    const Section& sec = sections[s];
    std::uint32_t after = sec.first;
    for (std::uint32_t i = sec.first; i < sec.end; ++i)
      if (lines[i].kind != LineKind::kBlank && lines[i].kind != LineKind::kComment) after = i + 1;
    InsertLine(after, s, std::string(key) + "=" + stored);
  }
};

ProfileDocument::ProfileDocument() : impl_(std::make_unique<Impl>()) { impl_->Parse(); }

ProfileDocument::ProfileDocument(std::string content) : impl_(std::make_unique<Impl>()) {
  if (content.size() >= fs::kMaxFileSize) content.clear();
  impl_->content = std::move(content);
  impl_->Parse();
}

ProfileDocument::~ProfileDocument() = default;
ProfileDocument::ProfileDocument(ProfileDocument&&) noexcept = default;
ProfileDocument& ProfileDocument::operator=(ProfileDocument&&) noexcept = default;

std::optional<Text> ProfileDocument::Find(std::string_view section, std::string_view key) const {
  const std::uint32_t s = impl_->FindSection(section);
  if (s == kNoLine) return std::nullopt;
  const std::optional<std::string_view> stored = impl_->StoredValue(s, key);
  if (!stored) return std::nullopt;
  return DecodeStored(*stored);
}

bool ProfileDocument::HasSection(std::string_view section) const { return impl_->FindSection(section) != kNoLine; }

std::vector<std::string_view> ProfileDocument::SectionNames() const {
  std::vector<std::string_view> names;
  names.reserve(impl_->SectionCount());
  for (std::uint32_t s = 0; s < impl_->SectionCount(); ++s)
    if (impl_->HasHeader(s)) names.push_back(impl_->SectionName(s));
  return names;
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  impl_->Set(section, key, value);
}

const std::string& ProfileDocument::Content() const { return impl_->content; }

void ProfileDocument::SaveAs(const std::string& path) const {
  if (!fs::WriteReplacing(path, impl_->content)) throw ProfileWriteError(path);
}

std::string EncodeProfileValue(std::string_view value) {
  if (NeedsEscape(value)) {
    std::string out("\0\"", 2);
    out.reserve(value.size() + 8);
    for (const char c : value) {
      switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\0': out += "\\0"; break;
        default: out.push_back(c);
      }
    }
    out.push_back('"');
    return out;
  }
  if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || WrappedInQuotes(value)))
    return "\"" + std::string(value) + "\"";
  return std::string(value);
}

std::optional<std::int32_t> ParseProfileNumber(std::string_view v) {
  std::size_t i = 0;
  while (i < v.size() && IsBlank(v[i])) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  bool hex = false;
  if (i < v.size() && (v[i] == '$' || v[i] == 'x' || v[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == v.size()) return std::nullopt;
  std::uint64_t acc = 0;
  const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
  for (; i < v.size(); ++i) {
    const char c = v[i];
    unsigned digit = 0;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (hex && c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else return std::nullopt;
    acc = acc * (hex ? 16 : 10) + digit;
    if (acc > limit) return std::nullopt;
  }
  // Two's complement: eight hex digits from 8 up are negative, and the sign
  // applies to the 32-bit pattern.
  auto bits = static_cast<std::uint32_t>(acc);
  if (negative) bits = 0u - bits;
  return static_cast<std::int32_t>(bits);
}

// --- file -------------------------------------------------------------------

ProfileWriteError::ProfileWriteError(const std::string& path)
    : std::runtime_error("Unable to write to " + fs::PathForDisplay(path)), path_(path) {}

struct ProfileFile::Cache {
  bool valid = false;  // doc and stamp describe the file as last seen
  bool readable = true;  // false when the file exists but could not be read
  fs::FileStamp stamp;
  ProfileDocument doc;
};

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)), cache_(std::make_unique<Cache>()) {}
ProfileFile::~ProfileFile() = default;
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;

const ProfileDocument& ProfileFile::Snapshot() const {
  Cache& c = *cache_;
  const fs::FileStamp now = fs::Stamp(path_);
  if (c.valid && now == c.stamp) return c.doc;
  c.valid = false;
  c.readable = true;
  c.doc = ProfileDocument();
  if (now.exists) {
    if (auto content = fs::ReadWhole(path_)) {
      c.doc = ProfileDocument(std::move(content->bytes));
      c.stamp = content->stamp;
      c.valid = true;
    } else {
      c.readable = false;  // tried again on the next call
    }
  } else {
    c.stamp = now;
    c.valid = true;
  }
  return c.doc;
}

Text ProfileFile::ReadText(std::string_view section, std::string_view key, std::string_view def) const {
  if (auto value = Find(section, key)) return std::move(*value);
  return Text(def);
}

std::int32_t ProfileFile::ReadNumber(std::string_view section, std::string_view key, std::int32_t def) const {
  return ParseProfileNumber(ReadText(section, key, "")).value_or(def);
}

std::optional<Text> ProfileFile::Find(std::string_view section, std::string_view key) const {
  return Snapshot().Find(section, key);
}

bool ProfileFile::HasSection(std::string_view section) const { return Snapshot().HasSection(section); }

void ProfileFile::WriteText(std::string_view section, std::string_view key, std::string_view value) {
  const Entry entry{key, value};
  WriteTexts(section, std::span<const Entry>(&entry, 1));
}

void ProfileFile::WriteTexts(std::string_view section, std::span<const Entry> entries) {
  if (entries.empty()) return;
  Snapshot();
  Cache& c = *cache_;
  // A file that is there but cannot be read cannot be rewritten without
  // losing what it holds.
  if (!c.readable) throw ProfileWriteError(path_);
  try {
    for (const Entry& e : entries) c.doc.Set(section, e.key, e.value);
    c.doc.SaveAs(path_);
  } catch (...) {
    c.valid = false;  // the next call reads the file as it is on disk
    throw ProfileWriteError(path_);
  }
  c.stamp = fs::Stamp(path_);
}

void ProfileFile::WriteNumber(std::string_view section, std::string_view key, std::int32_t value) {
  WriteText(section, key, std::to_string(value));
}

}  // namespace miravel
