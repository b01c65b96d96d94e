// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdata/test_file.h"

#include <string>

#include "testdata/cipher.h"

namespace miravel::testdata {

using namespace miravel::literals;
using namespace test_keys;

namespace {
constexpr std::string_view kOpenError = "Ошибка открытия теста"_w;
}  // namespace

Text QuestionSection(std::int32_t n) { return "qw " + std::to_string(n); }

Text OptionKey(std::int32_t k) { return "va" + std::to_string(k); }

Text ReadEnciphered(const ProfileDocument& doc, std::string_view section, std::string_view key, std::string_view def) {
  if (auto value = doc.Find(section, key)) return EnCr(*value);
  return Text(def);
}

Text ReadEnciphered(const ProfileFile& file, std::string_view section, std::string_view key, std::string_view def) {
  return ReadEnciphered(file.Snapshot(), section, key, def);
}

Text TestFileReader::TestName() const { return ReadEnciphered(file_, kMain, kTestName, kOpenError); }
Text TestFileReader::Description() const { return ReadEnciphered(file_, kMain, kDesc, kOpenError); }
Text TestFileReader::Comments() const { return ReadEnciphered(file_, kMain, kKomment, kOpenError); }

Text TestFileReader::QuestionCountText() const { return file_.ReadText(kOption, kQwCount, "00"); }

std::int32_t TestFileReader::QuestionCount(std::int32_t def) const { return file_.ReadNumber(kOption, kQwCount, def); }

std::int32_t TestFileReader::TimeMinutes() const { return file_.ReadNumber(kOption, kTime, 0); }

Text TestFileReader::QuestionText(std::int32_t n) const {
  return ReadEnciphered(file_, QuestionSection(n), kQwTExt, "");
}

Text TestFileReader::OptionText(std::int32_t n, std::int32_t k) const {
  return ReadEnciphered(file_, QuestionSection(n), OptionKey(k), "");
}

QuestionTexts TestFileReader::Question(std::int32_t n) const {
  const ProfileDocument& doc = file_.Snapshot();
  const Text section = QuestionSection(n);
  QuestionTexts q;
  q.text = ReadEnciphered(doc, section, kQwTExt, "");
  for (std::int32_t k = 0; k < 4; ++k)
    q.options[static_cast<std::size_t>(k)] = ReadEnciphered(doc, section, OptionKey(k), "");
  return q;
}

Text TestFileReader::RecordedQuestionText(std::int32_t n) const {
  return ReadEnciphered(file_, QuestionSection(n), kQwText, "НЕТ"_w);
}

Text TestFileReader::RecordedGivenAnswer(std::int32_t n, std::int32_t chosen) const {
  return ReadEnciphered(file_, QuestionSection(n), OptionKey(chosen), "нет ответа"_w);
}

Text TestFileReader::RecordedReferenceAnswer(std::int32_t n, std::int32_t correct) const {
  return ReadEnciphered(file_, QuestionSection(n), OptionKey(correct), "нет"_w);
}

int TestFileReader::CorrectOption(std::int32_t n) const {
  return EnCrypt(file_.ReadText(QuestionSection(n), kAnswer, "r"));
}

}  // namespace miravel::testdata
