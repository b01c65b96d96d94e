// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdata/test_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "testdata/cipher.h"

namespace miravel::testdata {
namespace {

using namespace miravel::literals;
namespace stdfs = std::filesystem;

class TestFileRead : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = stdfs::temp_directory_path() / ("miravel-tf-" + std::to_string(rd()));
    stdfs::create_directories(dir_);
  }
  void TearDown() override { stdfs::remove_all(dir_); }

  // A test file built through the profile service from plain texts.
  ProfileFile Make(const std::vector<std::tuple<std::string, std::string, std::string>>& values) {
    const std::string path = (dir_ / "test.DLL").string();
    ProfileDocument doc;
    for (const auto& [s, k, v] : values) doc.Set(s, k, v);
    doc.SaveAs(path);
    return ProfileFile(path);
  }

  stdfs::path dir_;
};

TEST_F(TestFileRead, HeaderIsDecodedOrDefaulted) {
  const auto file = Make({{"Main", "TestName", Cr("История"_w)},
                          {"Main", "Desc", ""},  // present but empty
                          {"Option", "QwCount", "0x0A"},
                          {"Option", "Time", "5"}});
  const TestFileReader r(file);
  EXPECT_EQ(r.TestName(), "История"_w);
  EXPECT_EQ(r.Description(), "");
  EXPECT_EQ(r.Comments(), "Ошибка открытия теста"_w);  // missing: the default, not decoded
  EXPECT_EQ(r.QuestionCountText(), "0x0A");  // as stored
  EXPECT_EQ(r.QuestionCount(0), 10);
  EXPECT_EQ(r.TimeMinutes(), 5);
}

TEST_F(TestFileRead, NoTestFileAtAll) {
  const ProfileFile file((dir_ / "none.DLL").string());
  const TestFileReader r(file);
  EXPECT_EQ(r.TestName(), "Ошибка открытия теста"_w);
  EXPECT_EQ(r.Description(), "Ошибка открытия теста"_w);
  EXPECT_EQ(r.QuestionCountText(), "00");
  EXPECT_EQ(r.QuestionCount(-1), -1);
  EXPECT_EQ(r.QuestionCount(0), 0);
  EXPECT_EQ(r.TimeMinutes(), 0);
  EXPECT_EQ(r.QuestionText(1), "");
  EXPECT_EQ(r.OptionText(1, 0), "");
  EXPECT_EQ(r.RecordedQuestionText(1), "НЕТ"_w);
  EXPECT_EQ(r.RecordedGivenAnswer(1, -1), "нет ответа"_w);
  EXPECT_EQ(r.RecordedReferenceAnswer(1, -1), "нет"_w);
  EXPECT_EQ(r.CorrectOption(1), -1);
}

TEST_F(TestFileRead, QuestionsAndAnswerCodes) {
  const auto file = Make({{"qw 10", "QwText", Cr("Сколько?"_w)},
                          {"qw 10", "va0", Cr("Один"_w)},
                          {"qw 10", "va3", Cr("Четыре"_w)},
                          {"qw 10", "va1", ""},
                          {"qw 10", "otv", "#"},
                          {"QW 2", "otv", "@abc"},
                          {"qw3", "QwText", Cr("not a question section")}});
  const TestFileReader r(file);
  EXPECT_EQ(QuestionSection(10), "qw 10");
  EXPECT_EQ(r.QuestionText(10), "Сколько?"_w);  // asked for as QwTExt
  EXPECT_EQ(r.RecordedQuestionText(10), "Сколько?"_w);
  EXPECT_EQ(r.OptionText(10, 0), "Один"_w);
  EXPECT_EQ(r.OptionText(10, 1), "");  // present, empty
  EXPECT_EQ(r.OptionText(10, 2), "");  // missing
  EXPECT_EQ(r.RecordedGivenAnswer(10, 1), "");
  EXPECT_EQ(r.RecordedGivenAnswer(10, 2), "нет ответа"_w);
  EXPECT_EQ(r.RecordedGivenAnswer(10, -1), "нет ответа"_w);  // "va-1" is no key
  EXPECT_EQ(r.CorrectOption(10), 3);
  EXPECT_EQ(r.RecordedReferenceAnswer(10, r.CorrectOption(10)), "Четыре"_w);
  EXPECT_EQ(r.CorrectOption(2), 0);
  EXPECT_EQ(r.RecordedReferenceAnswer(2, 0), "нет"_w);
  EXPECT_EQ(r.QuestionText(3), "");  // "qw3" is no question section
  const QuestionTexts q = r.Question(10);
  EXPECT_EQ(q.text, "Сколько?"_w);
  EXPECT_EQ(q.options, (std::array<Text, 4>{Text("Один"_w), "", "", Text("Четыре"_w)}));
}

TEST_F(TestFileRead, LongValuesAreDecodedFromTheirFirst2047Bytes) {
  std::string text(3000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  const auto file = Make({{"qw 1", "QwText", Cr(text)}});
  EXPECT_EQ(TestFileReader(file).QuestionText(1), text.substr(0, 2047));
}

}  // namespace
}  // namespace miravel::testdata
