// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a test file: where each value lives, its default, and the reading
// rule for enciphered texts (a present value is decoded with EnCr, a missing
// one gives the reader's default unchanged, a present empty one gives an
// empty text). The rest of the program asks here for "the question text of
// N", never for sections and keys.
//
// Layout of a test file:
//   [Main]    TestName, Desc, Komment        enciphered texts
//   [Option]  QwCount, Time (minutes)        plain decimal integers
//   [qw N]    QwText, va0..va3               enciphered texts
//             otv                            answer code, plain
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/cp1251.h"
#include "platform/profile_file.h"

namespace miravel::testdata {

namespace test_keys {
inline constexpr std::string_view kMain = "Main";
inline constexpr std::string_view kTestName = "TestName";
inline constexpr std::string_view kDesc = "Desc";
inline constexpr std::string_view kKomment = "Komment";
inline constexpr std::string_view kOption = "Option";
inline constexpr std::string_view kQwCount = "QwCount";
inline constexpr std::string_view kTime = "Time";
inline constexpr std::string_view kQwText = "QwText";
// The question display asks for the question text under this spelling; names
// match without regard to case, so it is the same key.
inline constexpr std::string_view kQwTExt = "QwTExt";
inline constexpr std::string_view kAnswer = "otv";
}  // namespace test_keys

// "qw " followed by N in decimal: the section of question N.
Text QuestionSection(std::int32_t n);
// "va" followed by k in decimal ("va-1" for k = -1, which is no key).
Text OptionKey(std::int32_t k);

// A value read by the reading rule: decoded when present, `def` when missing.
Text ReadEnciphered(const ProfileFile& file, std::string_view section, std::string_view key, std::string_view def);
Text ReadEnciphered(const ProfileDocument& doc, std::string_view section, std::string_view key, std::string_view def);

// What showing one question needs: its text and its four options.
struct QuestionTexts {
  Text text;
  std::array<Text, 4> options;
};

// Readers of one test file, each with its default.
class TestFileReader {
 public:
  explicit TestFileReader(const ProfileFile& file) : file_(file) {}

  // The header: "Ошибка открытия теста" when missing.
  Text TestName() const;
  Text Description() const;
  Text Comments() const;

  // The question count as stored ("00" when missing), not decoded.
  Text QuestionCountText() const;
  // The question count as an integer; each caller names its own default.
  std::int32_t QuestionCount(std::int32_t def) const;
  // The time in minutes (0 when missing).
  std::int32_t TimeMinutes() const;

  // For showing question N: texts, empty when missing.
  Text QuestionText(std::int32_t n) const;
  Text OptionText(std::int32_t n, std::int32_t k) const;
  // QuestionText and the four OptionText of question N, read together.
  QuestionTexts Question(std::int32_t n) const;

  // For recording the answer to question N in the journal.
  Text RecordedQuestionText(std::int32_t n) const;  // "НЕТ"
  Text RecordedGivenAnswer(std::int32_t n, std::int32_t chosen) const;  // "нет ответа"
  Text RecordedReferenceAnswer(std::int32_t n, std::int32_t correct) const;  // "нет"
  // The correct option from the answer code ("r", so -1, when missing).
  int CorrectOption(std::int32_t n) const;

 private:
  const ProfileFile& file_;
};

}  // namespace miravel::testdata
