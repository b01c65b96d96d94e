// SPDX-License-Identifier: GPL-3.0-or-later
#include "authoring/parser.h"

#include <algorithm>
#include <utility>

#include "authoring/messages.h"
#include "authoring/text.h"
#include "testdata/cipher.h"
#include "testdata/test_file.h"

namespace miravel::authoring {
namespace {

using namespace text;
namespace keys = testdata::test_keys;

struct Line {
  std::size_t number;
  std::string_view text;  // UTF-8, without its line end
};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Whether the source starts with the byte order mark of UTF-16, in which
// Notepad saves "Unicode" text.
bool IsUtf16(std::string_view source) {
  const std::string_view start = source.substr(0, 2);
  return start == "\xFF\xFE" || start == "\xFE\xFF";
}

// Whether a source without a BOM reads as Windows-1251 rather than UTF-8: it
// is no UTF-8 as a whole, every byte of it is a character of Windows-1251
// (0x98 is none), and its bytes that are no UTF-8 outnumber its UTF-8
// characters beyond ASCII. Russian text in Windows-1251 is almost all such
// bytes, while UTF-8 text with a stray byte in it stays UTF-8, so that the
// byte is told.
bool ReadsAsWindows1251(std::string_view source) {
  if (source.find('\x98') != std::string_view::npos) return false;
  std::size_t malformed = 0;
  std::size_t multibyte = 0;
  for (std::size_t pos = 0; pos < source.size();) {
    if (Byte(source[pos]) < 0x80) {
      ++pos;
    } else if (const auto ch = cp1251::DecodeUtf8At(source, pos)) {
      ++multibyte;
      pos += ch->length;
    } else {
      ++malformed;
      ++pos;
    }
  }
  return malformed > multibyte;
}

// The column of byte `offset` of a UTF-8 line, counted in characters from 1
// as editors count them (a byte that is no UTF-8 counts as one).
std::size_t Column(std::string_view line, std::size_t offset) {
  std::size_t column = 1;
  for (std::size_t pos = 0; pos < offset; ++column) {
    const auto ch = cp1251::DecodeUtf8At(line, pos);
    pos += ch ? ch->length : 1;
  }
  return column;
}

std::vector<Line> SourceLines(std::string_view utf8) {
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

// A UTF-8 piece as Windows-1251. A piece with a character that has no
// Windows-1251 form (already reported) gets "?" for it.
Text ToText(std::string_view utf8) {
  auto result = cp1251::FromUtf8Strict(utf8);
  return result.problem ? cp1251::FromUtf8(utf8) : std::move(result.text);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The alphabet a question's options are lettered in: the one most of its
// option letters are from; on a tie, the one of the letters that have no
// look-alike in the other alphabet (D; Б, Г), then the one of its ANSWER
// letter, then that of its first option.
template <class Options>
Alphabet QuestionAlphabet(const Options& options, std::optional<Alphabet> answer) {
  int latin = 0;
  int distinctly_latin = 0;
  int distinctly_cyrillic = 0;
  for (const auto& option : options) {
    const OptionLetter& letter = option.letter;
    if (letter.alphabet == Alphabet::kLatin) {
      ++latin;
      distinctly_latin += letter.letter == 'D' ? 1 : 0;
    } else {
      --latin;
      distinctly_cyrillic += letter.letter == "Б"_w[0] || letter.letter == "Г"_w[0] ? 1 : 0;
    }
  }
  if (latin != 0) return latin > 0 ? Alphabet::kLatin : Alphabet::kCyrillic;
  if (distinctly_latin != distinctly_cyrillic)
    return distinctly_latin > distinctly_cyrillic ? Alphabet::kLatin : Alphabet::kCyrillic;
  if (answer) return *answer;
  return options.empty() ? Alphabet::kLatin : options.begin()->letter.alphabet;
}

// An option line of the question being read, checked when the question ends.
struct OptionEntry {
  std::size_t line;
  OptionLetter letter;
  char mark;  // "." or ")"
  Text text;
};

// What is wrong with a line (Windows-1251) that starts like an option line
// but is none: a small letter a to d or а to г before "." or ")" or another
// mark, or a capital option letter before a mark other than "." or ")". The
// message shows the line's start as written and as it should be, with `mark`
// (that of the question's options) where the mark is wrong. Nothing for
// another line.
std::optional<std::string> OptionSlip(std::string_view t, char mark) {
  if (t.size() < 2) return std::nullopt;
  const bool letter_mark = IsLetterMark(t[1]);
  if (!letter_mark && kWrongLetterMarks.find(t[1]) == std::string_view::npos) return std::nullopt;
  const std::string written = Utf8(t.substr(0, 2));
  if (const auto capital = CapitalOptionLetter(t[0])) {
    const std::string right = Utf8(std::string{*capital, letter_mark ? t[1] : mark});
    return Format(Tr("option letters are capitals: \"%s\" → \"%s\""), written, right);
  }
  if (letter_mark || !OptionLetterOf(t[0])) return std::nullopt;
  const std::string letter = Utf8(t.substr(0, 1));
  return Format(Tr("after the option letter %s comes \"%s\": write \"%s\""), letter, Utf8(t.substr(1, 1)),
                letter + mark);
}

// How many errors of the source are kept: the first ones by line, and one
// more to tell that there are more.
constexpr std::size_t kKeptErrors = kMaxErrors + 1;

class Parser {
 public:
  explicit Parser(std::string_view source) {
    if (IsUtf16(source)) {
      utf16_ = true;
      return;
    }
    if (source.substr(0, kBom.size()) != kBom && ReadsAsWindows1251(source)) {
      // Every byte has a character, so the UTF-8 form holds the same text.
      decoded_ = cp1251::ToUtf8(source);
      source = decoded_;
      encoding_ = SourceEncoding::kWindows1251;
    }
    lines_ = SourceLines(source);
  }

  // The parsed source, or nothing when it has errors.
  std::optional<TestSource> Run() {
    if (utf16_) {
      Error(0, Tr("the source is saved as UTF-16 (\"Unicode\" in Notepad): save it as UTF-8"));
      return std::nullopt;
    }
    CheckNulBytes();
    ParseHeader();
    WarnAboutMissingTexts();
    ParseQuestions();
    SortErrors();
    if (!errors_.empty()) return std::nullopt;
    return std::move(source_);
  }

  std::vector<Diagnostic>& errors() { return errors_; }
  std::vector<Diagnostic>& warnings() { return warnings_; }
  SourceEncoding encoding() const { return encoding_; }

 private:
  bool AtEnd() const { return next_ >= lines_.size(); }
  const Line& Current() const { return lines_[next_]; }

  // Errors are told in line order, the first kMaxErrors of them. Those found
  // later never come before the ones dropped here in line order, so keeping
  // only the first ones as the errors come is enough.
  void Error(std::size_t line, std::string message) {
    errors_.push_back({line, std::move(message)});
    if (errors_.size() >= 4 * kKeptErrors) {
      SortErrors();
      errors_.resize(kKeptErrors);
    }
  }

  void SortErrors() {
    std::stable_sort(errors_.begin(), errors_.end(), [](const auto& a, const auto& b) { return a.line < b.line; });
  }

  // A NUL byte is no text: the first one of each line is an error, comments
  // included.
  void CheckNulBytes() {
    for (const Line& line : lines_) {
      const auto at = line.text.find('\0');
      if (at == std::string_view::npos) continue;
      Error(line.number, Format(Tr("a NUL byte at column %s: a source is plain text (in a quoted text, a zero byte "
                                   "is written \\x00)"),
                                std::to_string(Column(line.text, at))));
    }
  }

  // A title, description or comments left out leaves its key out of the test
  // file, and the program shows its default text in that place.
  void WarnAboutMissingTexts() {
    const std::pair<const std::optional<Text>*, Field> texts[] = {{&source_.title, Field::kTitle},
                                                                  {&source_.description, Field::kDescription},
                                                                  {&source_.comments, Field::kComments}};
    for (const auto& [text, field] : texts) {
      if (*text) continue;
      const std::string_view name = kFieldNames[static_cast<std::size_t>(field)];
      warnings_.push_back(
          {0, Format(Tr("the header has no %s line: the student will see «Ошибка открытия теста» (\"error opening "
                        "the test\") in its place; write \"%s:\" alone for an empty text"),
                     name, name)});
    }
  }

  // Whether every character of the line has a Windows-1251 form; the first
  // one without is an error.
  bool CheckEncoding(const Line& line) {
    const auto result = cp1251::FromUtf8Strict(line.text);
    if (!result.problem) return true;
    if (const auto cp = result.problem->cp) {
      std::string shown;
      cp1251::AppendUtf8(shown, *cp);
      const int digits = *cp > 0xFFFFF ? 6 : *cp > 0xFFFF ? 5 : 4;
      Error(line.number, Format(Tr("the character \"%s\" (U+%s) has no Windows-1251 form"), shown,
                                Hex(static_cast<unsigned>(*cp), digits)));
      return false;
    }
    const auto offset = result.problem->offset;
    Error(line.number, Format(Tr("malformed UTF-8 (byte 0x%s at column %s); save the source as UTF-8"),
                              Hex(Byte(line.text[offset]), 2), std::to_string(Column(line.text, offset))));
    return false;
  }

  // The text of a quoted line (`t` starts and ends with a double quote). At a
  // fault, the error is told and the text so far is given.
  Text Unquote(std::string_view t, std::size_t line) {
    const std::string_view body = t.substr(1, t.size() - 2);
    Text out;
    for (std::size_t p = 0; p < body.size();) {
      if (body[p] == '"') {
        Error(line, Tr("bad quoted text: a double quote inside it must be written \\\""));
        return out;
      }
      if (body[p] != '\\') {
        const auto end = std::min(body.find_first_of("\\\"", p), body.size());
        out += ToText(body.substr(p, end - p));
        p = end;
        continue;
      }
      if (p + 1 >= body.size()) {
        Error(line, Tr("bad quoted text: it ends with a lone backslash (write \\\\ for a backslash)"));
        return out;
      }
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
          if (high < 0 || low < 0) {
            Error(line, Tr("bad quoted text: \\x must be followed by two hex digits"));
            return out;
          }
          out += static_cast<char>(high * 16 + low);
          p += 2;
          break;
        }
        default: {
          const auto ch = cp1251::DecodeUtf8At(body, p - 1);
          const std::string shown(body.substr(p - 1, ch ? ch->length : 1));
          Error(line,
                Format(Tr("bad quoted text: unknown escape \"\\%s\" (use \\\\, \\\", \\r, \\n, \\t or \\xHH)"), shown));
          return out;
        }
      }
    }
    return out;
  }

  // The texts whose length is checked: the header fields first, in the order
  // of Field, so that a field is its own kind.
  enum class TextKind { kTitle, kDescription, kComments, kTime, kQuestion, kOption };
  static_assert(static_cast<int>(TextKind::kTime) == static_cast<int>(Field::kTime));

  void CheckLength(const Text& text, std::size_t line, TextKind kind) {
    if (text.size() <= kMaxValue) return;
    const std::string length = std::to_string(text.size());
    const std::string most = std::to_string(kMaxValue);
    std::string message;
    switch (kind) {
      case TextKind::kTitle: message = Tr("the Title value is %s bytes long; the program reads at most %s"); break;
      case TextKind::kDescription:
        message = Tr("the Description value is %s bytes long; the program reads at most %s");
        break;
      case TextKind::kComments:
        message = Tr("the Comments value is %s bytes long; the program reads at most %s");
        break;
      case TextKind::kTime: message = Tr("the Time value is %s bytes long; the program reads at most %s"); break;
      case TextKind::kQuestion: message = Tr("the question text is %s bytes long; the program reads at most %s"); break;
      case TextKind::kOption: message = Tr("the option text is %s bytes long; the program reads at most %s"); break;
    }
    Error(line, Format(message, length, most));
  }

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
      const auto header = MatchHeaderLine(ToText(t));
      if (!header) break;
      CheckEncoding(line);
      ++next_;
      const auto index = static_cast<std::size_t>(header->field);
      const bool repeated = seen[index] != 0;
      if (repeated)
        Error(line.number, Format(Tr("the header gives %s twice (first at line %s)"), kFieldNames[index],
                                  std::to_string(seen[index])));
      else seen[index] = line.number;
      // The value in UTF-8: what follows the first colon of the line.
      const std::string_view first = Trim(t.substr(t.find(':') + 1));
      const Text value = HeaderValue(first, line.number);
      CheckLength(value, line.number, static_cast<TextKind>(index));
      if (!repeated) Store(header->field, value, line.number);
    }
    if (seen[static_cast<std::size_t>(Field::kTime)] == 0)
      Error(0, Tr("no Time is given: the test would end at its first second (write, for example, \"Time: 10\" "
                  "in the header)"));
  }

  // The value of a header line and of the indented lines that continue it.
  Text HeaderValue(std::string_view first, std::size_t line) {
    const bool quoted = IsQuoted(first);
    Text value = quoted ? Unquote(first, line) : ToText(first);
    bool continued = false;
    while (!AtEnd()) {
      const Line& next = Current();
      const std::string_view t = Trim(next.text);
      if (IsComment(t)) {
        ++next_;
        continue;
      }
      if (t.empty() || !IsBlank(next.text.front())) break;
      CheckEncoding(next);
      if (quoted && !continued) Error(next.number, Tr("a quoted value cannot continue on the next line"));
      continued = true;
      value += kLineBreak;
      value += ToText(t);
      ++next_;
    }
    return value;
  }

  void Store(Field field, const Text& value, std::size_t line) {
    switch (field) {
      case Field::kTitle:
        source_.title = value;
        source_.title_line = line;
        break;
      case Field::kDescription:
        source_.description = value;
        source_.description_line = line;
        break;
      case Field::kComments:
        source_.comments = value;
        source_.comments_line = line;
        break;
      case Field::kTime: source_.time_minutes = ParseTime(value, line); break;
    }
  }

  std::optional<std::int32_t> ParseTime(const Text& value, std::size_t line) {
    std::int64_t minutes = 0;
    bool ok = !value.empty();
    for (const char c : value) {
      if (c < '0' || c > '9' || minutes > kMaxTimeMinutes) {
        ok = false;
        break;
      }
      minutes = minutes * 10 + (c - '0');
    }
    if (ok && minutes == 0) {
      Error(line, Tr("Time is 0: the test would end at its first second"));
      return std::nullopt;
    }
    if (!ok || minutes > kMaxTimeMinutes) {
      Error(line, Format(Tr("Time must be a whole number of minutes from 1 to %s, not %s"),
                         std::to_string(kMaxTimeMinutes), Quote(value)));
      return std::nullopt;
    }
    return static_cast<std::int32_t>(minutes);
  }

  // The question being read.
  enum class State { kIdle, kText, kOptions };

  struct Question {
    std::size_t line = 0;  // where it starts
    std::vector<Line> text_lines;
    Text text;
    std::vector<OptionEntry> options;
    bool blank_after_options = false;
  };

  void ParseQuestions() {
    State state = State::kIdle;
    Question question;
    bool any_question = false;

    for (; !AtEnd(); ++next_) {
      const Line& line = Current();
      const std::string_view t = Trim(line.text);
      if (IsComment(t)) continue;
      if (t.empty()) {
        if (state == State::kOptions) question.blank_after_options = true;
        continue;
      }
      CheckEncoding(line);
      const Text w = ToText(t);  // how the line reads

      if (const auto rest = AnswerRest(w)) {
        if (state == State::kIdle) {
          Error(line.number, Tr("an ANSWER line with no question text before it"));
          continue;
        }
        if (state == State::kText) question.text = QuestionText(question.text_lines);
        EndQuestion(question, Trim(*rest), line.number);
        question = Question{};
        state = State::kIdle;
        continue;
      }

      if (const auto letter = OptionLineLetter(w)) {
        if (state == State::kIdle) {
          Error(line.number, Tr("an option line with no question text before it (a question text that starts "
                                "like an option is written in double quotes)"));
          question.line = line.number;
          any_question = true;
        } else if (state == State::kText) {
          question.text = QuestionText(question.text_lines);
        }
        state = State::kOptions;
        // The option text in UTF-8: after the letter (one UTF-8 byte for a
        // Latin letter, two for a Cyrillic one) and its mark.
        const std::size_t letter_bytes = Byte(w[0]) < 0x80 ? 1 : 2;
        Text text = OptionText(Trim(t.substr(letter_bytes + 1)), line.number);
        CheckLength(text, line.number, TextKind::kOption);
        question.options.push_back({line.number, *letter, w[1], std::move(text)});
        question.blank_after_options = false;
        continue;
      }

      if (state == State::kOptions) {
        const Alphabet alphabet = QuestionAlphabet(question.options, std::nullopt);
        if (IsFifthOptionLine(w)) {
          Error(line.number, Format(Tr("a fifth option \"%s\": a question has at most the four options %s"),
                                    Utf8(w.substr(0, 2)), LetterList(alphabet)));
          continue;
        }
        const auto slip = OptionSlip(w, question.options.front().mark);
        if (!question.blank_after_options) {
          if (slip) Error(line.number, *slip);
          else
            Error(line.number, Format(Tr("text after the options: expected another option (%s. to %s.) or "
                                         "\"ANSWER: X\""),
                                      LetterName(alphabet, 0), LetterName(alphabet, 3)));
          continue;
        }
        const std::string hint = slip ? "; " + *slip : std::string();
        // A blank line and then text: a new question, and the one before
        // has no ANSWER line.
        Error(question.line,
              Format(Tr("the question has no ANSWER line (the next text is at line %s)"), std::to_string(line.number)) +
                  hint);
        EndQuestion(question, std::nullopt, 0);
        question = Question{};
        state = State::kIdle;
      }

      // A line of question text.
      if (state == State::kIdle) {
        state = State::kText;
        question.line = line.number;
        any_question = true;
      } else if (IsQuoted(Trim(question.text_lines.front().text)) || IsQuoted(t)) {
        Error(line.number, Tr("a quoted question text must be the only line of its question"));
      }
      // A wrong mark after a capital is told from the second line on: the
      // first line of a question is never an option ("A, B and C are ...").
      const auto slip = OptionSlip(w, ')');
      if (slip && (!question.text_lines.empty() || CapitalOptionLetter(w[0])))
        warnings_.push_back({line.number, Tr("this line is taken as question text") + std::string("; ") + *slip});
      question.text_lines.push_back(line);
    }
    if (state != State::kIdle) {
      Error(question.line, Tr("the question has no ANSWER line"));
      EndQuestion(question, std::nullopt, 0);
    }
    if (!any_question) Error(0, Tr("the source has no questions"));
  }

  Text QuestionText(const std::vector<Line>& lines) {
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
    CheckLength(text, lines.front().number, TextKind::kQuestion);
    return text;
  }

  Text OptionText(std::string_view t, std::size_t line) { return IsQuoted(t) ? Unquote(t, line) : ToText(t); }

  // Checks the options of a question and its ANSWER letter (Windows-1251, at
  // line `answer_line`; nothing when the question has no ANSWER line), and
  // keeps the question.
  void EndQuestion(Question& question, std::optional<std::string_view> answer, std::size_t answer_line) {
    std::optional<OptionLetter> answer_letter;
    if (answer && answer->size() == 1) answer_letter = OptionLetterOf(answer->front());
    const Alphabet alphabet =
        QuestionAlphabet(question.options, answer_letter ? std::optional(answer_letter->alphabet) : std::nullopt);

    SourceQuestion kept;
    kept.line = question.line;
    kept.text = std::move(question.text);
    bool letters_wrong = false;  // an option was left out for its letter
    int last = -1;
    for (auto& option : question.options) {
      if (!CheckLetter(option.letter, alphabet, option.line, false)) {
        letters_wrong = true;
        continue;
      }
      const std::size_t index = option.letter.index;
      if (kept.options[index]) {
        Error(option.line, Format(Tr("option %s is given twice"), LetterName(alphabet, index)));
        continue;
      }
      if (static_cast<int>(index) < last)
        Error(option.line,
              Format(Tr("option %s comes after option %s: options go in the order %s"), LetterName(alphabet, index),
                     LetterName(alphabet, static_cast<std::size_t>(last)), LetterList(alphabet)));
      last = std::max(last, static_cast<int>(index));
      kept.options[index] = std::move(option.text);
      kept.option_lines[index] = option.line;
    }
    if (!answer) return;

    const std::string_view letter = *answer;
    if (letter.empty()) {
      Error(answer_line, Format(Tr("the ANSWER line names no option: write ANSWER: and a letter %s to %s"),
                                LetterName(alphabet, 0), LetterName(alphabet, 3)));
      return;
    }
    if (!answer_letter) {
      Error(answer_line, Format(Tr("unknown ANSWER letter \"%s\": use one of the capital letters %s"), Utf8(letter),
                                LetterList(alphabet)));
      return;
    }
    if (!CheckLetter(*answer_letter, alphabet, answer_line, true)) return;
    const std::size_t index = answer_letter->index;
    if (!kept.options[index]) {
      if (letters_wrong) return;  // the option it names may be the one with the wrong letter
      const bool none = question.options.empty();
      if (none)
        Error(answer_line,
              Format(Tr("ANSWER: %s names an option the question does not have (it has no options: option lines "
                        "start with A. to D. or А. to Г.)"),
                     LetterName(alphabet, index)));
      else
        Error(answer_line,
              Format(Tr("ANSWER: %s names an option the question does not have"), LetterName(alphabet, index)));
      return;
    }
    kept.answer = static_cast<std::uint8_t>(index);
    source_.questions.push_back(std::move(kept));
  }

  // Whether an option letter (of an option line, or of the ANSWER line) is
  // one of the question's alphabet; if not, that is an error.
  bool CheckLetter(const OptionLetter& letter, Alphabet alphabet, std::size_t line, bool in_answer) {
    const std::string shown = Utf8(std::string(1, letter.letter));
    if (letter.alphabet != alphabet) {
      if (letter.alphabet == Alphabet::kCyrillic)
        Error(line, Format(in_answer ? Tr("ANSWER letter «%s» is Cyrillic, but this question's options are lettered "
                                          "in Latin (A B C D)")
                                     : Tr("option letter «%s» is Cyrillic, but this question's options are lettered "
                                          "in Latin (A B C D)"),
                           shown));
      else
        Error(line, Format(in_answer ? Tr("ANSWER letter «%s» is Latin, but this question's options are lettered in "
                                          "Cyrillic (А Б В Г)")
                                     : Tr("option letter «%s» is Latin, but this question's options are lettered in "
                                          "Cyrillic (А Б В Г)"),
                           shown));
      return false;
    }
    if (Byte(letter.letter) == kCyrillicCapitalEs) {
      Error(line, Format(Tr("«%s» is not an option letter: this question's options are lettered in Cyrillic "
                            "(А Б В Г)"),
                         shown));
      return false;
    }
    return true;
  }

  bool utf16_ = false;
  SourceEncoding encoding_ = SourceEncoding::kUtf8;
  std::string decoded_;  // the UTF-8 form of a Windows-1251 source
  std::vector<Line> lines_;  // views of the source or of decoded_
  std::size_t next_ = 0;
  TestSource source_;
  std::vector<Diagnostic> errors_;
  std::vector<Diagnostic> warnings_;
};

}  // namespace

ParseResult ParseSource(std::string_view source) {
  ParseResult result;
  Parser parser(source);
  result.source = parser.Run();
  result.encoding = parser.encoding();
  result.errors = std::move(parser.errors());
  if (result.errors.size() > kMaxErrors) {
    result.errors.resize(kMaxErrors);
    result.more_errors = true;
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

CompileResult Compile(std::string_view source) {
  ParseResult parsed = ParseSource(source);
  CompileResult result;
  result.encoding = parsed.encoding;
  result.errors = std::move(parsed.errors);
  result.more_errors = parsed.more_errors;
  result.warnings = std::move(parsed.warnings);
  if (parsed.source) result.document = BuildDocument(*parsed.source);
  return result;
}

}  // namespace miravel::authoring
