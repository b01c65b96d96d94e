#include "authoring.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "testdata/cipher.h"
#include "testdata/test_file.h"

namespace miravel::authoring {
namespace {

using namespace miravel::literals;
namespace keys = testdata::test_keys;

// --- text helpers, shared by the parser and the decoder ----------------------
//
// Every check that decides how a line is read looks only at ASCII bytes, which
// are the same in UTF-8 and in Windows-1251. The decoder applies the parser's
// own checks to the texts it prints, so the two cannot drift apart.

constexpr std::string_view kLineBreak = "\r\n";

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// Bytes shown escaped in a quoted text: the C0 controls, DEL and 0x98, the
// one byte of Windows-1251 without a character of its own.
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

// Line kinds, on a line trimmed of blanks.
bool IsComment(std::string_view t) { return !t.empty() && t.front() == '#'; }

bool IsQuoted(std::string_view t) { return t.size() >= 2 && t.front() == '"' && t.back() == '"'; }

// "A." .. "D." or "A)" .. "D)": an option line.
bool IsOptionLine(std::string_view t) {
  return t.size() >= 2 && t[0] >= 'A' && t[0] <= 'D' && (t[1] == '.' || t[1] == ')');
}

// A capital Latin letter after D with "." or ")": a would-be fifth option.
bool IsFifthOptionLine(std::string_view t) {
  return t.size() >= 2 && t[0] > 'D' && t[0] <= 'Z' && (t[1] == '.' || t[1] == ')');
}

constexpr auto EqualsNoCase = cp1251::EqualsIgnoringCase;

// What follows "ANSWER:" on an ANSWER line, or nothing for another line.
std::optional<std::string_view> AnswerRest(std::string_view t) {
  constexpr std::string_view kKeyword = "answer";
  if (t.size() < kKeyword.size() || !EqualsNoCase(t.substr(0, kKeyword.size()), kKeyword)) return std::nullopt;
  const std::string_view rest = TrimLeft(t.substr(kKeyword.size()));
  if (rest.empty() || rest.front() != ':') return std::nullopt;
  return rest.substr(1);
}

enum class Field : std::size_t { kTitle, kDescription, kComments, kTime };
constexpr std::array<std::string_view, 4> kFieldNames = {"Title", "Description", "Comments", "Time"};

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

struct HeaderLine {
  Field field;
  std::string_view value;  // after the colon, not trimmed
};

// "Keyword: value" with a header keyword; `t` is Windows-1251.
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

// The quoted form of a Windows-1251 text, as UTF-8.
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

// A text piece that a plain line gives back unchanged: no control bytes, no
// blanks at either end, and no opening quote (a line in quotes is read as a
// quoted text; one that only starts with a quote is kept quoted for clarity).
bool IsPlainPiece(std::string_view piece) {
  if (std::any_of(piece.begin(), piece.end(), IsControl)) return false;
  if (!piece.empty() && (IsBlank(piece.front()) || IsBlank(piece.back()))) return false;
  return piece.empty() || piece.front() != '"';
}

// --- parsing ------------------------------------------------------------------

struct Line {
  std::size_t number;
  std::string_view text;  // UTF-8, without its line end
};

struct ParseFailure {
  Diagnostic diagnostic;
};

[[noreturn]] void Fail(std::size_t line, std::string message) {
  throw ParseFailure{Diagnostic{line, std::move(message)}};
}

std::vector<Line> SourceLines(std::string_view utf8) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (utf8.substr(0, kBom.size()) == kBom) utf8.remove_prefix(kBom.size());
  std::vector<Line> lines;
  std::size_t number = 1;
  for (std::size_t pos = 0; pos < utf8.size(); ++number) {
    const auto newline = utf8.find('\n', pos);
    const auto end = newline == std::string_view::npos ? utf8.size() : newline;
    std::string_view text = utf8.substr(pos, end - pos);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    lines.push_back({number, text});
    pos = end + 1;
  }
  return lines;
}

// Every character of the line has a Windows-1251 form.
void CheckEncoding(const Line& line) {
  const auto result = cp1251::FromUtf8Strict(line.text);
  if (!result.problem) return;
  if (const auto cp = result.problem->cp) {
    std::string shown;
    cp1251::AppendUtf8(shown, *cp);
    const int digits = *cp > 0xFFFFF ? 6 : *cp > 0xFFFF ? 5 : 4;
    Fail(line.number, "the character \"" + shown + "\" (U+" + Hex(static_cast<unsigned>(*cp), digits) +
                          ") has no Windows-1251 form");
  }
  const auto offset = result.problem->offset;
  Fail(line.number, "malformed UTF-8 (byte 0x" + Hex(Byte(line.text[offset]), 2) + " at column " +
                        std::to_string(offset + 1) + "); save the source as UTF-8");
}

// A checked UTF-8 piece as Windows-1251.
Text ToText(std::string_view utf8) { return cp1251::FromUtf8Strict(utf8).text; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The text of a quoted line (`t` starts and ends with a double quote).
Text Unquote(std::string_view t, std::size_t line) {
  const std::string_view body = t.substr(1, t.size() - 2);
  Text out;
  for (std::size_t p = 0; p < body.size();) {
    if (body[p] == '"') Fail(line, "bad quoted text: a double quote inside it must be written \\\"");
    if (body[p] != '\\') {
      const auto end = std::min(body.find_first_of("\\\"", p), body.size());
      out += ToText(body.substr(p, end - p));
      p = end;
      continue;
    }
    if (p + 1 >= body.size()) Fail(line, "bad quoted text: it ends with a lone backslash (write \\\\ for a backslash)");
    const char e = body[p + 1];
    p += 2;
    switch (e) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'x': {
        const int high = p < body.size() ? HexDigit(body[p]) : -1;
        const int low = p + 1 < body.size() ? HexDigit(body[p + 1]) : -1;
        if (high < 0 || low < 0) Fail(line, "bad quoted text: \\x must be followed by two hex digits");
        out += static_cast<char>(high * 16 + low);
        p += 2;
        break;
      }
      default: {
        const auto ch = cp1251::DecodeUtf8At(body, p - 1);
        const std::string shown(body.substr(p - 1, ch ? ch->length : 1));
        Fail(line, "bad quoted text: unknown escape \"\\" + shown + "\" (use \\\\, \\\", \\r, \\n, \\t or \\xHH)");
      }
    }
  }
  return out;
}

std::string LetterName(std::size_t option) { return std::string(1, static_cast<char>('A' + option)); }

// A hint for a line that looks like an option written with a Cyrillic or a
// small letter; empty when it does not.
std::string LetterHint(std::string_view t) {
  if (t.size() >= 3 && Byte(t[0]) == 0xD0 && (t[2] == '.' || t[2] == ')')) {
    const unsigned char b = Byte(t[1]);
    if ((b >= 0x90 && b <= 0x93) || b == 0xA1)  // А Б В Г, and С for C
      return "; it starts with the Cyrillic letter \"" + std::string(t.substr(0, 2)) +
             "\": option letters are the Latin A, B, C, D";
  }
  if (t.size() >= 2 && t[0] >= 'a' && t[0] <= 'd' && (t[1] == '.' || t[1] == ')'))
    return "; option letters are capital letters: A, B, C, D";
  return {};
}

void CheckLength(const Text& text, std::size_t line, std::string_view what) {
  if (text.size() > kMaxValue)
    Fail(line, std::string(what) + " is " + std::to_string(text.size()) + " bytes long; the program reads at most " +
                   std::to_string(kMaxValue));
}

class Parser {
 public:
  explicit Parser(std::string_view utf8) : lines_(SourceLines(utf8)) {}

  TestSource Run() {
    ParseHeader();
    ParseQuestions();
    return std::move(source_);
  }

  std::vector<Diagnostic>& warnings() { return warnings_; }

 private:
  bool AtEnd() const { return next_ >= lines_.size(); }
  const Line& Current() const { return lines_[next_]; }

  void ParseHeader() {
    while (!AtEnd() && (Trim(Current().text).empty() || IsComment(Trim(Current().text)))) ++next_;
    std::array<std::size_t, 4> seen{};  // line of each keyword, 0 when not given
    while (!AtEnd()) {
      const Line& line = Current();
      const std::string_view t = Trim(line.text);
      if (IsComment(t)) {
        ++next_;
        continue;
      }
      if (t.empty()) break;
      CheckEncoding(line);
      const auto header = MatchHeaderLine(ToText(t));
      if (!header) break;
      const auto index = static_cast<std::size_t>(header->field);
      if (seen[index] != 0)
        Fail(line.number, "the header gives " + std::string(kFieldNames[index]) + " twice (first at line " +
                              std::to_string(seen[index]) + ")");
      seen[index] = line.number;
      ++next_;
      // The value in UTF-8: what follows the first colon of the line.
      const std::string_view first = Trim(t.substr(t.find(':') + 1));
      const Text value = HeaderValue(first, line.number);
      CheckLength(value, line.number, "the " + std::string(kFieldNames[index]) + " value");
      Store(header->field, value, line.number);
    }
    if (!source_.time_minutes) warnings_.push_back({0, "no Time is given: the test would end at its first second"});
  }

  // The value of a header line and of the indented lines that continue it.
  Text HeaderValue(std::string_view first, std::size_t line) {
    const bool quoted = IsQuoted(first);
    Text value = quoted ? Unquote(first, line) : ToText(first);
    while (!AtEnd()) {
      const Line& next = Current();
      const std::string_view t = Trim(next.text);
      if (IsComment(t)) {
        ++next_;
        continue;
      }
      if (t.empty() || !IsBlank(next.text.front())) break;
      CheckEncoding(next);
      if (quoted) Fail(next.number, "a quoted value cannot continue on the next line");
      value += kLineBreak;
      value += ToText(t);
      ++next_;
    }
    return value;
  }

  void Store(Field field, const Text& value, std::size_t line) {
    switch (field) {
      case Field::kTitle: source_.title = value; break;
      case Field::kDescription: source_.description = value; break;
      case Field::kComments: source_.comments = value; break;
      case Field::kTime: {
        source_.time_minutes = ParseTime(value, line);
        if (*source_.time_minutes == 0)
          warnings_.push_back({line, "Time is 0: the test would end at its first second"});
        break;
      }
    }
  }

  static std::int32_t ParseTime(const Text& value, std::size_t line) {
    std::int64_t minutes = 0;
    bool ok = !value.empty();
    for (const char c : value) {
      if (c < '0' || c > '9' || minutes > kMaxTimeMinutes) {
        ok = false;
        break;
      }
      minutes = minutes * 10 + (c - '0');
    }
    if (!ok || minutes > kMaxTimeMinutes)
      Fail(line, "Time must be a whole number of minutes from 0 to " + std::to_string(kMaxTimeMinutes) + ", not " +
                     Quote(value));
    return static_cast<std::int32_t>(minutes);
  }

  // The question being read.
  enum class State { kIdle, kText, kOptions };

  void ParseQuestions() {
    State state = State::kIdle;
    SourceQuestion question;
    std::vector<Line> text_lines;
    int last_option = -1;
    bool blank_after_options = false;

    for (; !AtEnd(); ++next_) {
      const Line& line = Current();
      const std::string_view t = Trim(line.text);
      if (IsComment(t)) continue;
      if (t.empty()) {
        if (state == State::kOptions) blank_after_options = true;
        continue;
      }
      CheckEncoding(line);

      if (const auto rest = AnswerRest(t)) {
        if (state == State::kIdle) Fail(line.number, "an ANSWER line with no question text before it");
        if (state == State::kText) question.text = QuestionText(text_lines);
        question.answer = AnswerOption(question, Trim(*rest), line.number);
        source_.questions.push_back(std::move(question));
        question = SourceQuestion{};
        text_lines.clear();
        last_option = -1;
        blank_after_options = false;
        state = State::kIdle;
        continue;
      }

      if (IsOptionLine(t)) {
        if (state == State::kIdle) Fail(line.number, "an option line with no question text before it");
        if (state == State::kText) {
          question.text = QuestionText(text_lines);
          state = State::kOptions;
        }
        const int option = t[0] - 'A';
        const auto index = static_cast<std::size_t>(option);
        if (question.options[index]) Fail(line.number, "option " + LetterName(index) + " is given twice");
        if (option < last_option)
          Fail(line.number, "option " + LetterName(index) + " comes after option " +
                                LetterName(static_cast<std::size_t>(last_option)) +
                                ": options go in the order A, B, C, D");
        Text text = OptionText(Trim(t.substr(2)), line.number);
        CheckLength(text, line.number, "the option text");
        question.options[index] = std::move(text);
        last_option = option;
        blank_after_options = false;
        continue;
      }

      if (state == State::kOptions) {
        if (IsFifthOptionLine(t))
          Fail(line.number, "a fifth option \"" + std::string(t.substr(0, 2)) +
                                "\": a question has at most the four options A, B, C, D");
        const std::string hint = LetterHint(t);
        if (blank_after_options)
          Fail(question.line,
               "the question has no ANSWER line (the next text is at line " + std::to_string(line.number) + ")" + hint);
        Fail(line.number, "text after the options: expected another option (A. to D.) or \"ANSWER: X\"" + hint);
      }

      // A line of question text.
      if (state == State::kIdle) {
        state = State::kText;
        question.line = line.number;
      } else if (IsQuoted(Trim(text_lines.front().text)) || IsQuoted(t)) {
        Fail(line.number, "a quoted question text must be the only line of its question");
      }
      if (const std::string hint = LetterHint(t); !hint.empty())
        warnings_.push_back({line.number, "this line is taken as question text" + hint});
      text_lines.push_back(line);
    }
    if (state != State::kIdle) Fail(question.line, "the question has no ANSWER line");
  }

  static Text QuestionText(const std::vector<Line>& lines) {
    Text text;
    const std::string_view first = Trim(lines.front().text);
    if (IsQuoted(first)) {
      text = Unquote(first, lines.front().number);
    } else {
      for (const Line& line : lines) {
        if (!text.empty()) text += kLineBreak;
        text += ToText(Trim(line.text));
      }
    }
    CheckLength(text, lines.front().number, "the question text");
    return text;
  }

  static Text OptionText(std::string_view t, std::size_t line) { return IsQuoted(t) ? Unquote(t, line) : ToText(t); }

  static std::uint8_t AnswerOption(const SourceQuestion& question, std::string_view letter, std::size_t line) {
    if (letter.empty()) Fail(line, "the ANSWER line names no option: write ANSWER: and a letter A to D");
    if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'D') {
      std::string hint;
      if (letter.size() == 2 && Byte(letter[0]) == 0xD0) hint = " (a Cyrillic letter: use the Latin ones)";
      Fail(line,
           "unknown ANSWER letter \"" + std::string(letter) + "\": use one of the capital letters A, B, C, D" + hint);
    }
    const auto option = static_cast<std::size_t>(letter[0] - 'A');
    if (!question.options[option]) {
      const bool none =
          std::none_of(question.options.begin(), question.options.end(), [](const auto& o) { return o.has_value(); });
      Fail(line, "ANSWER: " + LetterName(option) + " names an option the question does not have" +
                     (none ? " (it has no options: option lines start with A. to D.)" : ""));
    }
    return static_cast<std::uint8_t>(option);
  }

  std::vector<Line> lines_;
  std::size_t next_ = 0;
  TestSource source_;
  std::vector<Diagnostic> warnings_;
};

// --- decoding -------------------------------------------------------------------

// The plain or quoted form of a question text, one source line per element.
std::vector<std::string> QuestionLines(const Text& text) {
  const auto pieces = SplitLines(text);
  bool plain = !MatchHeaderLine(pieces.front());
  for (const auto piece : pieces) {
    plain = plain && !piece.empty() && IsPlainPiece(piece) && !IsComment(piece) && !IsOptionLine(piece) &&
            !AnswerRest(piece);
  }
  if (!plain) return {Quote(text)};
  std::vector<std::string> lines;
  for (const auto piece : pieces) lines.push_back(cp1251::ToUtf8(piece));
  return lines;
}

// "Keyword: value" and its continuation lines.
std::string HeaderLines(std::string_view keyword, const Text& value) {
  const auto pieces = SplitLines(value);
  bool plain = IsPlainPiece(pieces.front());
  for (std::size_t i = 1; i < pieces.size(); ++i)
    plain = plain && !pieces[i].empty() && IsPlainPiece(pieces[i]) && !IsComment(pieces[i]);
  std::string out(keyword);
  out += ':';
  if (!plain) return out + ' ' + Quote(value) + '\n';
  if (!pieces.front().empty()) out += ' ' + cp1251::ToUtf8(pieces.front());
  out += '\n';
  for (std::size_t i = 1; i < pieces.size(); ++i) out += "  " + cp1251::ToUtf8(pieces[i]) + '\n';
  return out;
}

std::string OptionLine(std::size_t option, const Text& text) {
  std::string out = LetterName(option) + '.';
  if (text.empty()) return out + '\n';
  return out + ' ' + (IsPlainPiece(text) ? cp1251::ToUtf8(text) : Quote(text)) + '\n';
}

std::string Commented(std::string_view block) {
  std::string out;
  std::size_t pos = 0;
  while (pos < block.size()) {
    const auto end = std::min(block.find('\n', pos), block.size());
    out += "# ";
    out += block.substr(pos, end - pos);
    out += '\n';
    pos = end + 1;
  }
  return out;
}

// How many absent question sections in a row the decoder looks past before it
// stops: a broken count must not make it probe for billions of sections.
constexpr std::int32_t kMaxMissingRun = 1000;

class Decoder {
 public:
  explicit Decoder(const ProfileDocument& file) : file_(file) {}

  std::string Run(std::string_view name) {
    std::string out;
    if (!name.empty()) {
      std::string shown(name);
      std::replace_if(shown.begin(), shown.end(), IsControl, '?');
      out += "# " + shown + ", printed as source by miravel-make --decode.\n";
    }
    out += HeaderText(keys::kTestName, "Title");
    out += HeaderText(keys::kDesc, "Description");
    out += HeaderText(keys::kKomment, "Comments");
    out += TimeText();
    out += QuestionsText();
    return out;
  }

 private:
  std::optional<Text> Find(std::string_view section, std::string_view key) const { return file_.Find(section, key); }

  std::string HeaderText(std::string_view key, std::string_view keyword) const {
    const auto value = Find(keys::kMain, key);
    if (!value) return "# [Main] " + std::string(key) + " missing: the program shows its default\n";
    return HeaderLines(keyword, testdata::EnCr(*value));
  }

  std::string TimeText() const {
    const auto value = Find(keys::kOption, keys::kTime);
    if (!value) return "# [Option] Time missing: the program takes 0 minutes\n";
    const auto minutes = ParseProfileNumber(*value);
    if (!minutes || *minutes < 0 || *minutes > kMaxTimeMinutes)
      return "# [Option] Time is " + Quote(*value) + ", not a number of minutes from 0 to " +
             std::to_string(kMaxTimeMinutes) + "\n";
    std::string out;
    if (*value != std::to_string(*minutes)) out += "# [Option] Time is stored as " + Quote(*value) + "\n";
    return out + "Time: " + std::to_string(*minutes) + '\n';
  }

  std::string QuestionsText() const {
    std::string out;
    const auto stored = Find(keys::kOption, keys::kQwCount);
    const auto count = stored ? ParseProfileNumber(*stored) : std::nullopt;
    if (!stored || !count) {
      out += stored ? "# [Option] QwCount is " + Quote(*stored) + ", not a number"
                    : std::string("# [Option] QwCount missing");
      out += ": the questions are the sections [qw 1], [qw 2], ... that the file has\n";
      for (std::int64_t n = 1; n <= std::numeric_limits<std::int32_t>::max() && HasQuestion(n); ++n)
        out += '\n' + QuestionText(n);
      return out;
    }
    if (*count < 0) out += "# [Option] QwCount is " + std::to_string(*count) + ": no questions\n";
    else if (*stored != std::to_string(*count)) out += "# [Option] QwCount is stored as " + Quote(*stored) + "\n";

    // Sections 1..QwCount; a run of absent ones is told in one comment.
    constexpr std::int64_t kLast = std::numeric_limits<std::int32_t>::max();
    std::int64_t missing_from = 0;
    for (std::int64_t n = 1; n <= *count; ++n) {
      if (HasQuestion(n)) {
        if (missing_from != 0) out += '\n' + MissingText(missing_from, n - 1);
        missing_from = 0;
        out += '\n' + QuestionText(n);
        continue;
      }
      if (missing_from == 0) missing_from = n;
      if (n - missing_from + 1 >= kMaxMissingRun && n < *count) {
        out += '\n' + MissingText(missing_from, n);
        out += "# stopped looking for question sections; QwCount is " + std::to_string(*count) + '\n';
        return out;
      }
    }
    if (missing_from != 0) out += '\n' + MissingText(missing_from, *count);
    // Sections after the last counted one, which the program never shows.
    for (std::int64_t n = std::max(*count, 0) + std::int64_t{1}; n <= kLast && HasQuestion(n); ++n) {
      out += "\n# [qw " + std::to_string(n) + "] is beyond QwCount = " + std::to_string(std::max(*count, 0)) +
             ", so the program does not show it:\n";
      out += Commented(QuestionText(n));
    }
    return out;
  }

  static std::string MissingText(std::int64_t from, std::int64_t to) {
    if (from == to) return "# [qw " + std::to_string(from) + "] missing\n";
    return "# [qw " + std::to_string(from) + "] to [qw " + std::to_string(to) + "] missing\n";
  }

  // `n` is always within 1..INT32_MAX.
  bool HasQuestion(std::int64_t n) const {
    return file_.HasSection(testdata::QuestionSection(static_cast<std::int32_t>(n)));
  }

  std::string QuestionText(std::int64_t n) const {
    const Text section = testdata::QuestionSection(static_cast<std::int32_t>(n));
    const std::string where = "# [" + section + "] ";
    std::string out;
    if (const auto text = Find(section, keys::kQwText)) {
      for (const auto& line : QuestionLines(testdata::EnCr(*text))) out += line + '\n';
    } else {
      out += where + "QwText missing: no question text\n";
    }

    std::array<std::optional<Text>, 4> options;
    std::size_t present = 0;
    for (std::size_t k = 0; k < options.size(); ++k) {
      options[k] = Find(section, testdata::OptionKey(static_cast<std::int32_t>(k)));
      if (options[k]) present = k + 1;
    }
    if (present == 0) out += where + "va0 to va3 missing: no options\n";
    for (std::size_t k = 0; k < present; ++k) {
      if (options[k]) out += OptionLine(k, testdata::EnCr(*options[k]));
      else out += where + "va" + std::to_string(k) + " missing: no option " + LetterName(k) + '\n';
    }

    const auto code = Find(section, keys::kAnswer);
    const int answer = code ? testdata::EnCrypt(*code) : -1;
    if (!code) {
      out += where + "otv missing: no option is the correct one\n";
    } else if (answer < 0) {
      out += where + "otv is " + Quote(*code) + ": no option is the correct one\n";
    } else {
      const auto option = static_cast<std::size_t>(answer);
      if (code->size() > 1) out += where + "otv is " + Quote(*code) + "; only its first character counts\n";
      if (!options[option]) out += where + "otv names option " + LetterName(option) + ", which is missing\n";
      out += "ANSWER: " + LetterName(option) + '\n';
    }
    return out;
  }

  const ProfileDocument& file_;
};

}  // namespace

ParseResult ParseSource(std::string_view utf8) {
  ParseResult result;
  Parser parser(utf8);
  try {
    result.source = parser.Run();
  } catch (const ParseFailure& failure) {
    result.error = failure.diagnostic;
  }
  result.warnings = std::move(parser.warnings());
  return result;
}

ProfileDocument BuildDocument(const TestSource& source) {
  ProfileDocument doc;
  if (source.title) doc.Set(keys::kMain, keys::kTestName, testdata::Cr(*source.title));
  if (source.description) doc.Set(keys::kMain, keys::kDesc, testdata::Cr(*source.description));
  if (source.comments) doc.Set(keys::kMain, keys::kKomment, testdata::Cr(*source.comments));
  doc.Set(keys::kOption, keys::kQwCount, std::to_string(source.questions.size()));
  if (source.time_minutes) doc.Set(keys::kOption, keys::kTime, std::to_string(*source.time_minutes));
  std::int32_t n = 0;
  for (const auto& question : source.questions) {
    const Text section = testdata::QuestionSection(++n);
    doc.Set(section, keys::kQwText, testdata::Cr(question.text));
    for (std::size_t k = 0; k < question.options.size(); ++k)
      if (question.options[k])
        doc.Set(section, testdata::OptionKey(static_cast<std::int32_t>(k)), testdata::Cr(*question.options[k]));
    doc.Set(section, keys::kAnswer, testdata::Crypt(question.answer));
  }
  return doc;
}

CompileResult Compile(std::string_view utf8) {
  ParseResult parsed = ParseSource(utf8);
  CompileResult result;
  result.error = std::move(parsed.error);
  result.warnings = std::move(parsed.warnings);
  if (parsed.source) result.document = BuildDocument(*parsed.source);
  return result;
}

std::string Decode(const ProfileDocument& file, std::string_view name) { return Decoder(file).Run(name); }
std::string Decode(const ProfileFile& file, std::string_view name) { return Decode(file.Snapshot(), name); }

}  // namespace miravel::authoring
