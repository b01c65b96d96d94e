// SPDX-License-Identifier: GPL-3.0-or-later
#include "authoring/decoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "authoring/text.h"
#include "testdata/cipher.h"
#include "testdata/test_file.h"

namespace miravel::authoring {
namespace {

using namespace text;
namespace keys = testdata::test_keys;

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
  std::string out = LetterName(Alphabet::kLatin, option) + '.';
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
      else out += where + "va" + std::to_string(k) + " missing: no option " + LetterName(Alphabet::kLatin, k) + '\n';
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
      if (!options[option])
        out += where + "otv names option " + LetterName(Alphabet::kLatin, option) + ", which is missing\n";
      out += "ANSWER: " + LetterName(Alphabet::kLatin, option) + '\n';
    }
    return out;
  }

  const ProfileDocument& file_;
};

}  // namespace

std::string Decode(const ProfileDocument& file, std::string_view name) { return Decoder(file).Run(name); }
std::string Decode(const ProfileFile& file, std::string_view name) { return Decode(file.Snapshot(), name); }

}  // namespace miravel::authoring
