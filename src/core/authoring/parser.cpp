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

// The texts whose length is checked: the header fields first, in the order
// of Field, so that a field is its own kind.
enum class TextKind { kTitle, kDescription, kComments, kTime, kQuestion, kOption };
static_assert(static_cast<int>(TextKind::kTime) == static_cast<int>(Field::kTime));

// --- the messages of the parser, all in one place ------------------------------
//
// Each is in the user's language (Tr) with its values filled in; the
// letters and texts that they quote are UTF-8.
namespace Message {

std::string Utf16() { return Tr("the source is saved as UTF-16 (\"Unicode\" in Notepad): save it as UTF-8"); }

std::string NulByte(std::size_t column) {
  return Format(Tr("a NUL byte at column %s: a source is plain text (in a quoted text, a zero byte is written \\x00)"),
                std::to_string(column));
}

std::string NoCp1251Form(const std::string& shown, const std::string& code) {
  return Format(Tr("the character \"%s\" (U+%s) has no Windows-1251 form"), shown, code);
}

std::string MalformedUtf8(const std::string& byte, std::size_t column) {
  return Format(Tr("malformed UTF-8 (byte 0x%s at column %s); save the source as UTF-8"), byte, std::to_string(column));
}

std::string QuoteInside() { return Tr("bad quoted text: a double quote inside it must be written \\\""); }
std::string LoneBackslash() {
  return Tr("bad quoted text: it ends with a lone backslash (write \\\\ for a backslash)");
}
std::string BadHexEscape() { return Tr("bad quoted text: \\x must be followed by two hex digits"); }
std::string UnknownEscape(const std::string& shown) {
  return Format(Tr("bad quoted text: unknown escape \"\\%s\" (use \\\\, \\\", \\r, \\n, \\t or \\xHH)"), shown);
}

std::string TooLong(TextKind kind, std::size_t length) {
  const char* message = nullptr;
  switch (kind) {
    case TextKind::kTitle: message = Tr("the Title value is %s bytes long; the program reads at most %s"); break;
    case TextKind::kDescription:
      message = Tr("the Description value is %s bytes long; the program reads at most %s");
      break;
    case TextKind::kComments: message = Tr("the Comments value is %s bytes long; the program reads at most %s"); break;
    case TextKind::kTime: message = Tr("the Time value is %s bytes long; the program reads at most %s"); break;
    case TextKind::kQuestion: message = Tr("the question text is %s bytes long; the program reads at most %s"); break;
    case TextKind::kOption: message = Tr("the option text is %s bytes long; the program reads at most %s"); break;
  }
  return Format(message, std::to_string(length), std::to_string(kMaxValue));
}

std::string MissingHeaderText(std::string_view name) {
  return Format(Tr("the header has no %s line: the student will see «Ошибка открытия теста» (\"error opening the "
                   "test\") in its place; write \"%s:\" alone for an empty text"),
                name, name);
}

std::string HeaderTwice(std::string_view name, std::size_t first_line) {
  return Format(Tr("the header gives %s twice (first at line %s)"), name, std::to_string(first_line));
}

std::string QuotedValueContinued() { return Tr("a quoted value cannot continue on the next line"); }

std::string NoTime() {
  return Tr(
      "no Time is given: the test would end at its first second (write, for example, \"Time: 10\" in the "
      "header)");
}

std::string TimeZero() { return Tr("Time is 0: the test would end at its first second"); }

std::string BadTime(const std::string& quoted) {
  return Format(Tr("Time must be a whole number of minutes from 1 to %s, not %s"), std::to_string(kMaxTimeMinutes),
                quoted);
}

std::string AnswerWithoutQuestion() { return Tr("an ANSWER line with no question text before it"); }

std::string OptionWithoutQuestion() {
  return Tr(
      "an option line with no question text before it (a question text that starts like an option is "
      "written in double quotes)");
}

std::string FifthOption(const std::string& written, const std::string& letters) {
  return Format(Tr("a fifth option \"%s\": a question has at most the four options %s"), written, letters);
}

std::string TextAfterOptions(const std::string& first, const std::string& last) {
  return Format(Tr("text after the options: expected another option (%s. to %s.) or \"ANSWER: X\""), first, last);
}

std::string NoAnswerLineBefore(std::size_t next_line) {
  return Format(Tr("the question has no ANSWER line (the next text is at line %s)"), std::to_string(next_line));
}

std::string NoAnswerLine() { return Tr("the question has no ANSWER line"); }

std::string QuotedQuestionNotAlone() { return Tr("a quoted question text must be the only line of its question"); }

std::string TakenAsQuestionText(const std::string& slip) {
  return Tr("this line is taken as question text") + std::string("; ") + slip;
}

std::string NoQuestions() { return Tr("the source has no questions"); }

std::string SmallOptionLetter(const std::string& written, const std::string& right) {
  return Format(Tr("option letters are capitals: \"%s\" → \"%s\""), written, right);
}

std::string WrongLetterMark(const std::string& letter, const std::string& mark, const std::string& right) {
  return Format(Tr("after the option letter %s comes \"%s\": write \"%s\""), letter, mark, right);
}

std::string OptionTwice(const std::string& letter) { return Format(Tr("option %s is given twice"), letter); }

std::string OptionOutOfOrder(const std::string& letter, const std::string& before, const std::string& order) {
  return Format(Tr("option %s comes after option %s: options go in the order %s"), letter, before, order);
}

std::string EmptyAnswer(const std::string& first, const std::string& last) {
  return Format(Tr("the ANSWER line names no option: write ANSWER: and a letter %s to %s"), first, last);
}

std::string UnknownAnswer(const std::string& written, const std::string& letters) {
  return Format(Tr("unknown ANSWER letter \"%s\": use one of the capital letters %s"), written, letters);
}

std::string AnswerWithoutOptions(const std::string& letter) {
  return Format(Tr("ANSWER: %s names an option the question does not have (it has no options: option lines start "
                   "with A. to D. or А. to Г.)"),
                letter);
}

std::string AnswerToMissingOption(const std::string& letter) {
  return Format(Tr("ANSWER: %s names an option the question does not have"), letter);
}

// A letter of the other alphabet than the question's options are lettered
// in; `cyrillic` is the letter's own.
std::string OtherAlphabet(const std::string& letter, bool cyrillic, bool in_answer) {
  if (cyrillic)
    return Format(in_answer ? Tr("ANSWER letter «%s» is Cyrillic, but this question's options are lettered in Latin "
                                 "(A B C D)")
                            : Tr("option letter «%s» is Cyrillic, but this question's options are lettered in Latin "
                                 "(A B C D)"),
                  letter);
  return Format(in_answer ? Tr("ANSWER letter «%s» is Latin, but this question's options are lettered in Cyrillic "
                               "(А Б В Г)")
                          : Tr("option letter «%s» is Latin, but this question's options are lettered in Cyrillic "
                               "(А Б В Г)"),
                letter);
}

std::string CyrillicEs(const std::string& letter) {
  return Format(Tr("«%s» is not an option letter: this question's options are lettered in Cyrillic (А Б В Г)"), letter);
}

}  // namespace Message

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
    return Message::SmallOptionLetter(written, right);
  }
  if (letter_mark || !OptionLetterOf(t[0])) return std::nullopt;
  const std::string letter = Utf8(t.substr(0, 1));
  return Message::WrongLetterMark(letter, Utf8(t.substr(1, 1)), letter + mark);
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
      Error(0, Message::Utf16());
      return std::nullopt;
    }
    CheckNulBytes();
    ParseLines();
    SortErrors();
    if (!errors_.empty()) return std::nullopt;
    return std::move(source_);
  }

  std::vector<Diagnostic>& errors() { return errors_; }
  std::vector<Diagnostic>& warnings() { return warnings_; }
  SourceEncoding encoding() const { return encoding_; }

 private:
  // The question being read.
  enum class State { kIdle, kText, kOptions };

  struct Question {
    std::size_t line = 0;  // where it starts
    std::vector<Line> text_lines;
    Text text;
    std::vector<OptionEntry> options;
    bool blank_after_options = false;
  };

  // A header value being read: its keyword line and the lines that continue it.
  struct HeaderValue {
    Field field;
    std::size_t line;
    bool repeated;  // its keyword is given before: the value is checked, not kept
    bool quoted;
    bool continued;
    Text text;
  };

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
      Error(line.number, Message::NulByte(Column(line.text, at)));
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
      warnings_.push_back({0, Message::MissingHeaderText(name)});
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
      Error(line.number, Message::NoCp1251Form(shown, Hex(static_cast<unsigned>(*cp), digits)));
      return false;
    }
    const auto offset = result.problem->offset;
    Error(line.number, Message::MalformedUtf8(Hex(Byte(line.text[offset]), 2), Column(line.text, offset)));
    return false;
  }

  // The text of a quoted line (`t` starts and ends with a double quote). At a
  // fault, the error is told and the text so far is given.
  Text Unquote(std::string_view t, std::size_t line) {
    const std::string_view body = t.substr(1, t.size() - 2);
    Text out;
    for (std::size_t p = 0; p < body.size();) {
      if (body[p] == '"') {
        Error(line, Message::QuoteInside());
        return out;
      }
      if (body[p] != '\\') {
        const auto end = std::min(body.find_first_of("\\\"", p), body.size());
        out += ToText(body.substr(p, end - p));
        p = end;
        continue;
      }
      if (p + 1 >= body.size()) {
        Error(line, Message::LoneBackslash());
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
            Error(line, Message::BadHexEscape());
            return out;
          }
          out += static_cast<char>(high * 16 + low);
          p += 2;
          break;
        }
        default: {
          const auto ch = cp1251::DecodeUtf8At(body, p - 1);
          const std::string shown(body.substr(p - 1, ch ? ch->length : 1));
          Error(line, Message::UnknownEscape(shown));
          return out;
        }
      }
    }
    return out;
  }

  void CheckLength(const Text& text, std::size_t line, TextKind kind) {
    if (text.size() > kMaxValue) Error(line, Message::TooLong(kind, text.size()));
  }

  // --- the loop over the lines, and one handler for each kind of line ------

  // Where the reading is: before the header (blank lines), in it, or in the
  // questions that follow it.
  enum class Phase { kBeforeHeader, kHeader, kQuestions };

  // Every line once, in order. A comment is nothing wherever it stands; the
  // header ends at its first blank line or at the first line that is neither
  // a keyword line nor the continuation of one, and that line is the first
  // of the questions.
  void ParseLines() {
    for (const Line& line : lines_) {
      const std::string_view t = Trim(line.text);
      if (IsComment(t)) continue;
      if (phase_ == Phase::kBeforeHeader) {
        if (t.empty()) continue;
        phase_ = Phase::kHeader;
      }
      if (phase_ == Phase::kHeader) {
        if (OnHeaderLine(line, t)) continue;
        EndHeader();
      }
      OnQuestionLine(line, t);
    }
    if (phase_ != Phase::kQuestions) EndHeader();
    EndQuestions();
  }

  // A line of the header: a keyword line, or an indented line that continues
  // the value before it. False for a line that ends the header.
  bool OnHeaderLine(const Line& line, std::string_view t) {
    if (t.empty()) return false;
    if (value_ && IsBlank(line.text.front())) {
      OnContinuationLine(line, t);
      return true;
    }
    const auto header = MatchHeaderLine(ToText(t));
    if (!header) return false;
    EndHeaderValue();
    OnKeywordLine(line, t, header->field);
    return true;
  }

  // "Keyword: value".
  void OnKeywordLine(const Line& line, std::string_view t, Field field) {
    CheckEncoding(line);
    const auto index = static_cast<std::size_t>(field);
    const bool repeated = seen_[index] != 0;
    if (repeated) Error(line.number, Message::HeaderTwice(kFieldNames[index], seen_[index]));
    else seen_[index] = line.number;
    // The value in UTF-8: what follows the first colon of the line.
    const std::string_view first = Trim(t.substr(t.find(':') + 1));
    const bool quoted = IsQuoted(first);
    value_ =
        HeaderValue{field, line.number, repeated, quoted, false, quoted ? Unquote(first, line.number) : ToText(first)};
  }

  // An indented line that continues a header value: the lines are joined
  // with a line break.
  void OnContinuationLine(const Line& line, std::string_view t) {
    CheckEncoding(line);
    if (value_->quoted && !value_->continued) Error(line.number, Message::QuotedValueContinued());
    value_->continued = true;
    value_->text += kLineBreak;
    value_->text += ToText(t);
  }

  // The header value read so far, once its last line is read.
  void EndHeaderValue() {
    if (!value_) return;
    CheckLength(value_->text, value_->line, static_cast<TextKind>(value_->field));
    if (!value_->repeated) Store(value_->field, value_->text, value_->line);
    value_.reset();
  }

  void EndHeader() {
    EndHeaderValue();
    phase_ = Phase::kQuestions;
    if (seen_[static_cast<std::size_t>(Field::kTime)] == 0) Error(0, Message::NoTime());
    WarnAboutMissingTexts();
  }

  // A line after the header: blank, an ANSWER line, an option line, or
  // question text.
  void OnQuestionLine(const Line& line, std::string_view t) {
    if (t.empty()) {
      OnBlankLine();
      return;
    }
    CheckEncoding(line);
    const Text w = ToText(t);  // how the line reads
    if (const auto rest = AnswerRest(w)) {
      OnAnswerLine(line, Trim(*rest));
    } else if (const auto letter = OptionLineLetter(w)) {
      OnOptionLine(line, t, w, *letter);
    } else if (state_ != State::kOptions || OnLineAfterOptions(line, w)) {
      OnTextLine(line, t, w);
    }
  }

  // A blank line ends nothing, but text after options and a blank line is
  // a new question.
  void OnBlankLine() {
    if (state_ == State::kOptions) question_.blank_after_options = true;
  }

  // "ANSWER: X" ends the question.
  void OnAnswerLine(const Line& line, std::string_view letter) {
    if (state_ == State::kIdle) {
      Error(line.number, Message::AnswerWithoutQuestion());
      return;
    }
    if (state_ == State::kText) question_.text = QuestionText(question_.text_lines);
    EndQuestion(question_, letter, line.number);
    NextQuestion();
  }

  // "A. text" (or А. to Г., or with ")"): an option of the question.
  void OnOptionLine(const Line& line, std::string_view t, std::string_view w, const OptionLetter& letter) {
    if (state_ == State::kIdle) {
      Error(line.number, Message::OptionWithoutQuestion());
      question_.line = line.number;
      any_question_ = true;
    } else if (state_ == State::kText) {
      question_.text = QuestionText(question_.text_lines);
    }
    state_ = State::kOptions;
    // The option text in UTF-8: after the letter (one UTF-8 byte for a
    // Latin letter, two for a Cyrillic one) and its mark.
    const std::size_t letter_bytes = Byte(w[0]) < 0x80 ? 1 : 2;
    Text text = OptionText(Trim(t.substr(letter_bytes + 1)), line.number);
    CheckLength(text, line.number, TextKind::kOption);
    question_.options.push_back({line.number, letter, w[1], std::move(text)});
    question_.blank_after_options = false;
  }

  // A line that is neither an option nor an ANSWER line after the options
  // of a question: an error, or after a blank line the first line of the
  // next question (the one before has no ANSWER line). True when it is to
  // be read as question text.
  bool OnLineAfterOptions(const Line& line, std::string_view w) {
    const Alphabet alphabet = QuestionAlphabet(question_.options, std::nullopt);
    if (IsFifthOptionLine(w)) {
      Error(line.number, Message::FifthOption(Utf8(w.substr(0, 2)), LetterList(alphabet)));
      return false;
    }
    const auto slip = OptionSlip(w, question_.options.front().mark);
    if (!question_.blank_after_options) {
      Error(line.number, slip ? *slip : Message::TextAfterOptions(LetterName(alphabet, 0), LetterName(alphabet, 3)));
      return false;
    }
    Error(question_.line, Message::NoAnswerLineBefore(line.number) + (slip ? "; " + *slip : std::string()));
    EndQuestion(question_, std::nullopt, 0);
    NextQuestion();
    return true;
  }

  // A line of question text.
  void OnTextLine(const Line& line, std::string_view t, std::string_view w) {
    if (state_ == State::kIdle) {
      state_ = State::kText;
      question_.line = line.number;
      any_question_ = true;
    } else if (IsQuoted(Trim(question_.text_lines.front().text)) || IsQuoted(t)) {
      Error(line.number, Message::QuotedQuestionNotAlone());
    }
    // A wrong mark after a capital is told from the second line on: the
    // first line of a question is never an option ("A, B and C are ...").
    const auto slip = OptionSlip(w, ')');
    if (slip && (!question_.text_lines.empty() || CapitalOptionLetter(w[0])))
      warnings_.push_back({line.number, Message::TakenAsQuestionText(*slip)});
    question_.text_lines.push_back(line);
  }

  void NextQuestion() {
    question_ = Question{};
    state_ = State::kIdle;
  }

  // The end of the source ends the question being read.
  void EndQuestions() {
    if (state_ != State::kIdle) {
      Error(question_.line, Message::NoAnswerLine());
      EndQuestion(question_, std::nullopt, 0);
    }
    if (!any_question_) Error(0, Message::NoQuestions());
  }

  // --- what the handlers share ----------------------------------------------

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
      Error(line, Message::TimeZero());
      return std::nullopt;
    }
    if (!ok || minutes > kMaxTimeMinutes) {
      Error(line, Message::BadTime(Quote(value)));
      return std::nullopt;
    }
    return static_cast<std::int32_t>(minutes);
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
        Error(option.line, Message::OptionTwice(LetterName(alphabet, index)));
        continue;
      }
      if (static_cast<int>(index) < last)
        Error(option.line,
              Message::OptionOutOfOrder(LetterName(alphabet, index),
                                        LetterName(alphabet, static_cast<std::size_t>(last)), LetterList(alphabet)));
      last = std::max(last, static_cast<int>(index));
      kept.options[index] = std::move(option.text);
      kept.option_lines[index] = option.line;
    }
    if (!answer) return;

    const std::string_view letter = *answer;
    if (letter.empty()) {
      Error(answer_line, Message::EmptyAnswer(LetterName(alphabet, 0), LetterName(alphabet, 3)));
      return;
    }
    if (!answer_letter) {
      Error(answer_line, Message::UnknownAnswer(Utf8(letter), LetterList(alphabet)));
      return;
    }
    if (!CheckLetter(*answer_letter, alphabet, answer_line, true)) return;
    const std::size_t index = answer_letter->index;
    if (!kept.options[index]) {
      if (letters_wrong) return;  // the option it names may be the one with the wrong letter
      const std::string named = LetterName(alphabet, index);
      Error(answer_line,
            question.options.empty() ? Message::AnswerWithoutOptions(named) : Message::AnswerToMissingOption(named));
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
      Error(line, Message::OtherAlphabet(shown, letter.alphabet == Alphabet::kCyrillic, in_answer));
      return false;
    }
    if (Byte(letter.letter) == kCyrillicCapitalEs) {
      Error(line, Message::CyrillicEs(shown));
      return false;
    }
    return true;
  }

  bool utf16_ = false;
  SourceEncoding encoding_ = SourceEncoding::kUtf8;
  std::string decoded_;  // the UTF-8 form of a Windows-1251 source
  std::vector<Line> lines_;  // views of the source or of decoded_
  Phase phase_ = Phase::kBeforeHeader;
  std::array<std::size_t, 4> seen_{};  // line of each header keyword, 0 when not given
  std::optional<HeaderValue> value_;
  State state_ = State::kIdle;
  Question question_;
  bool any_question_ = false;
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
