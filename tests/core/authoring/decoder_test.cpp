// SPDX-License-Identifier: GPL-3.0-or-later
#include "authoring/decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "authoring/parser.h"
#include "authoring_test_support.h"
#include "platform/profile_file.h"
#include "testdata/cipher.h"
#include "testdata/test_file.h"
#include "tool_test_support.h"

namespace miravel::authoring {
namespace {

using namespace miravel::literals;
using testdata::Cr;
using testdata::EnCr;
using testing::TempDir;

// --- round trip -------------------------------------------------------------------

void ExpectRoundTrip(const ProfileDocument& doc) {
  const std::string decoded = Decode(doc);
  const auto again = Compile(decoded);
  ASSERT_TRUE(again.document) << Shown(again.errors) << decoded;
  EXPECT_EQ(again.document->Content(), doc.Content()) << decoded;
  EXPECT_EQ(Decode(*again.document), decoded);
}

TEST(RoundTrip, AwkwardTexts) {
  // Latin text whose cipher holds NUL, CR and LF.
  const Text enciphered = Cr("elmatqrv");
  ASSERT_EQ(enciphered, Text(6, '\0') + "\r\n");

  const std::string sources[] = {
      "Title: elmatqrv\nDescription: elmatqrv elmatqrv\nComments: a\n  b\nTime: 3\n\n"
      "elmatqrv\nelmatqrv\nA. elmatqrv\nB. elmatq\nANSWER: B\n",
      // Leading and trailing blanks, quotes, backslashes, "#" and look-alike lines.
      "Title: \"  padded  \"\nTime: 1\n\n"
      "\"  leading\"\nA. \"trailing \"\nANSWER: A\n\n"
      "\"# not a comment\\r\\nA. not an option\\r\\nANSWER: not an answer\"\nA. \\ back\\slash \"\nANSWER: A\n\n"
      "\"Title: looks like a header\"\nA. # hash\nB. \"\\\"quoted\\\"\"\nANSWER: B\n\n"
      "\"#1 in a hash\"\nA. x\nANSWER: A\n\n"
      "\"B) like an option\"\nA. x\nANSWER: A\n\n"
      "\"answer : like an answer\"\nA. x\nANSWER: A\n",
      // A first question that would read as a header line.
      "Time: 5\n\n\"Time: 5\"\nA. x\nANSWER: A\n",
      // Texts that would read as options lettered in Cyrillic or as an ОТВЕТ line.
      "Time: 2\n\n\"А. С. Пушкин\"\nA. x\nANSWER: A\n\n"
      "\"Вопрос\\r\\nГ) не вариант\\r\\nС. и не C\"\nA. x\nANSWER: A\n\n"
      "\"ответ: не ответ\"\nA. x\nANSWER: A\n",
      // Empty texts, line breaks at the ends, a lone CR, controls, 0x98.
      "Title:\nDescription: \"\\r\\nx\\r\\n\"\nComments: \"a\\rb\\n\\x01\\x7F\\x98\"\nTime: 1\n\n"
      "\"\"\nA.\nB. \"\\t\"\nD. «ёлка» — №1\nANSWER: D\n\n"
      "\"two\\r\\n\\r\\nbreaks\"\nC. c\nANSWER: C\n",
      // Multi-line question and header values that stay plain.
      "Название: Тест\nОписание: строка 1\n  строка 2\nВремя: 3\n\nЧто\nвыбрать?\nA. это\nANSWER: A\n",
  };
  for (const auto& source : sources) {
    SCOPED_TRACE(source);
    ExpectRoundTrip(CompileOk(source));
  }
}

// Any bytes in any text: a test file built straight from random texts prints
// as a source that compiles back to it.
TEST(RoundTrip, RandomTexts) {
  std::mt19937 random(20240611);
  const std::string alphabet = std::string(" \t\r\n\"\\#:.)AaBbDEnrx") + Text("ЁёАБВГСЯвя«»"_w) + Text(1, '\0');
  const auto text = [&](std::size_t max_length) {
    Text out;
    const auto length = random() % (max_length + 1);
    for (std::size_t i = 0; i < length; ++i)
      out += random() % 3 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
    return out;
  };
  for (int round = 0; round < 300; ++round) {
    TestSource source;
    if (random() % 2) source.title = text(12);
    if (random() % 2) source.description = text(12);
    if (random() % 2) source.comments = text(12);
    // A source needs a Time of at least a minute and a question.
    source.time_minutes = static_cast<std::int32_t>(1u + random() % static_cast<unsigned>(kMaxTimeMinutes));
    const auto count = 1 + random() % 3;
    for (std::size_t q = 0; q < count; ++q) {
      SourceQuestion question;
      question.text = text(16);
      for (auto& option : question.options)
        if (random() % 3 != 0) option = text(8);
      if (!question.options[0]) question.options[0] = text(8);
      do {
        question.answer = static_cast<std::uint8_t>(random() % 4);
      } while (!question.options[question.answer]);
      source.questions.push_back(question);
    }
    SCOPED_TRACE(round);
    ExpectRoundTrip(BuildDocument(source));
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(RoundTrip, TheSampleTest) {
  TempDir dir;
  const std::string source = testing::Get(MIRAVEL_SAMPLE_SOURCE);
  const auto result = Compile(source);
  ASSERT_TRUE(result.document) << Shown(result.errors);
  EXPECT_TRUE(result.warnings.empty());
  const ProfileDocument& doc = *result.document;
  EXPECT_GE(ParseProfileNumber(*doc.Find("Option", "QwCount")).value_or(0), 10);
  EXPECT_EQ(*doc.Find("Option", "Time"), "5");
  for (const auto key : {"TestName", "Desc", "Komment"}) EXPECT_FALSE(EnCr(*doc.Find("Main", key)).empty()) << key;
  ExpectRoundTrip(doc);
}

// --- decoding files made elsewhere --------------------------------------------------

TEST(Decode, ShowsWhatAHandMadeFileLacks) {
  ProfileDocument doc;
  doc.Set("Main", "TestName", Cr("Тест"_w));
  doc.Set("Option", "Time", "05");
  doc.Set("qw 1", "QwText", Cr("Первый"_w));
  doc.Set("qw 1", "va0", Cr("a"));
  doc.Set("qw 1", "va2", Cr("c"));
  doc.Set("qw 1", "otv", "r");
  doc.Set("qw 2", "va0", Cr("a"));
  doc.Set("qw 2", "otv", "x");
  doc.Set("qw 3", "QwText", Cr("Третий"_w));
  doc.Set("qw 3", "va1", Cr("b"));
  doc.Set("qw 3", "otv", "@!");
  doc.Set("qw 5", "QwText", Cr("not probed"));

  EXPECT_EQ(Decode(doc, "old.DLL"),
            "# old.DLL, printed as source by miravel-make --decode.\n"
            "Title: Тест\n"
            "# [Main] Desc missing: the program shows its default\n"
            "# [Main] Komment missing: the program shows its default\n"
            "# [Option] Time is stored as \"05\"\n"
            "Time: 5\n"
            "# [Option] QwCount missing: the questions are the sections [qw 1], [qw 2], ... that the file has\n"
            "\n"
            "Первый\n"
            "A. a\n"
            "# [qw 1] va1 missing: no option B\n"
            "C. c\n"
            "# [qw 1] otv is \"r\": no option is the correct one\n"
            "\n"
            "# [qw 2] QwText missing: no question text\n"
            "A. a\n"
            "# [qw 2] otv is \"x\": no option is the correct one\n"
            "\n"
            "Третий\n"
            "# [qw 3] va0 missing: no option A\n"
            "B. b\n"
            "# [qw 3] otv is \"@!\"; only its first character counts\n"
            "# [qw 3] otv names option A, which is missing\n"
            "ANSWER: A\n");
}

TEST(Decode, QuestionCountsThatDoNotMatchTheSections) {
  ProfileDocument doc;
  doc.Set("Option", "QwCount", "3");
  doc.Set("Option", "Time", "5");
  for (const char* section : {"qw 1", "qw 4", "qw 5"}) {
    doc.Set(section, "QwText", Cr(section));
    doc.Set(section, "va0", Cr("a"));
    doc.Set(section, "otv", "@");
  }
  const std::string decoded = Decode(doc);
  EXPECT_NE(decoded.find("qw 1\nA. a\nANSWER: A\n\n# [qw 2] to [qw 3] missing\n"), std::string::npos) << decoded;
  EXPECT_NE(decoded.find("# [qw 4] is beyond QwCount = 3, so the program does not show it:\n# qw 4\n# A. a\n"
                         "# ANSWER: A\n"),
            std::string::npos)
      << decoded;
  EXPECT_NE(decoded.find("# [qw 5] is beyond"), std::string::npos) << decoded;
  // Only the counted question is a question of the printed source.
  EXPECT_EQ(*CompileOk(decoded).Find("Option", "QwCount"), "1");

  doc.Set("Option", "QwCount", "many");
  const std::string probed = Decode(doc);
  EXPECT_NE(probed.find("# [Option] QwCount is \"many\", not a number"), std::string::npos) << probed;
  EXPECT_EQ(*CompileOk(probed).Find("Option", "QwCount"), "1");  // [qw 2] ends the probing

  // A huge count over absent sections stops after a long run of them.
  doc.Set("Option", "QwCount", "2147483647");
  const std::string huge = Decode(doc);
  EXPECT_NE(huge.find("# stopped looking for question sections; QwCount is 2147483647"), std::string::npos);
}

}  // namespace
}  // namespace miravel::authoring
