// SPDX-License-Identifier: GPL-3.0-or-later
#include "authoring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

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

// The errors of a result, one a line, for failure messages.
std::string Shown(const std::vector<Diagnostic>& errors) {
  std::string out;
  for (const auto& error : errors) out += std::to_string(error.line) + ": " + error.message + "\n";
  return out;
}

ProfileDocument CompileOk(const std::string& source) {
  auto result = Compile(source);
  EXPECT_TRUE(result.errors.empty()) << Shown(result.errors) << source;
  if (!result.document) return ProfileDocument{};
  return std::move(*result.document);
}

TestSource ParseOk(const std::string& source) {
  auto result = ParseSource(source);
  EXPECT_TRUE(result.errors.empty()) << Shown(result.errors) << source;
  return result.source.value_or(TestSource{});
}

// The section headers and key names of a test file's lines, in file order.
std::vector<std::string> Layout(const std::string& content) {
  std::vector<std::string> names;
  for (std::size_t pos = 0; pos < content.size();) {
    const auto end = content.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the last line has no CR LF";
      break;
    }
    const std::string line = content.substr(pos, end - pos);
    if (!line.empty()) names.push_back(line.front() == '[' ? line : line.substr(0, line.find('=')));
    pos = end + 2;
  }
  return names;
}

// --- compiling --------------------------------------------------------------------

TEST(Compile, WritesTheTestFileLayout) {
  const std::string source =
      "# lesson 3\n"
      "Title: Тест\n"
      "Description: Первая строка\n"
      "  вторая строка\n"
      "Time: 7\n"
      "\n"
      "Вопрос один?\n"
      "A. да\n"
      "B. нет\n"
      "D. может быть\n"
      "ANSWER: D\n"
      "\n"
      "Вопрос\n"
      "в две строки\n"
      "A) первый\n"
      "B)\n"
      "ANSWER: B\n";
  const ProfileDocument doc = CompileOk(source);
  const std::string& content = doc.Content();

  // CR LF after every line; no LF alone anywhere (escaped values hold none).
  for (std::size_t i = 0; i < content.size(); ++i)
    if (content[i] == '\n') {
      ASSERT_TRUE(i > 0 && content[i - 1] == '\r') << "bare LF at byte " << i;
    }
  const std::vector<std::string> expected = {"[Main]", "TestName", "Desc", "[Option]", "QwCount", "Time",
                                             "[qw 1]", "QwText",   "va0",  "va1",      "va3",     "otv",
                                             "[qw 2]", "QwText",   "va0",  "va1",      "otv"};
  EXPECT_EQ(Layout(content), expected);

  // What the program reads from it.
  TempDir dir;
  doc.SaveAs(dir.File("t.DLL"));
  const ProfileFile file(dir.File("t.DLL"));
  const testdata::TestFileReader reader(file);
  EXPECT_EQ(reader.TestName(), "Тест"_w);
  EXPECT_EQ(reader.Description(), "Первая строка\r\nвторая строка"_w);
  EXPECT_EQ(reader.Comments(), "Ошибка открытия теста"_w);  // absent: the reader's default
  EXPECT_EQ(reader.QuestionCount(-1), 2);
  EXPECT_EQ(file.ReadText("Option", "QwCount", ""), "2");
  EXPECT_EQ(reader.TimeMinutes(), 7);
  EXPECT_EQ(reader.QuestionText(1), "Вопрос один?"_w);
  EXPECT_EQ(reader.OptionText(1, 0), "да"_w);
  EXPECT_EQ(reader.OptionText(1, 1), "нет"_w);
  EXPECT_FALSE(file.Find("qw 1", "va2"));
  EXPECT_EQ(reader.OptionText(1, 3), "может быть"_w);
  EXPECT_EQ(file.ReadText("qw 1", "otv", ""), "#");
  EXPECT_EQ(reader.QuestionText(2), "Вопрос\r\nв две строки"_w);
  EXPECT_EQ(reader.OptionText(2, 0), "первый"_w);
  ASSERT_TRUE(file.Find("qw 2", "va1"));
  EXPECT_EQ(*file.Find("qw 2", "va1"), "");
  EXPECT_EQ(file.ReadText("qw 2", "otv", ""), "&");
  // Texts are stored enciphered, not as typed.
  EXPECT_EQ(*file.Find("qw 1", "va0"), Cr("да"_w));
}

TEST(Compile, LeavesOutWhatTheSourceDoesNotGive) {
  const ProfileDocument doc = CompileOk("Time: 3\nВопрос?\nA. да\nANSWER: A\n");
  EXPECT_FALSE(doc.HasSection("Main"));
  EXPECT_EQ(Layout(doc.Content()),
            (std::vector<std::string>{"[Option]", "QwCount", "Time", "[qw 1]", "QwText", "va0", "otv"}));
}

// The sample source with every option and ANSWER letter typed on a Russian
// keyboard: А Б В Г and ОТВЕТ.
std::string InCyrillicLetters(const std::string& source) {
  const std::array<std::string, 4> letters = {"А", "Б", "В", "Г"};
  std::string out;
  std::size_t changed = 0;
  for (std::size_t pos = 0; pos < source.size();) {
    const auto end = std::min(source.find('\n', pos), source.size());
    std::string line = source.substr(pos, end - pos + 1);
    pos = end + 1;
    if (line.size() >= 2 && line[0] >= 'A' && line[0] <= 'D' && (line[1] == '.' || line[1] == ')')) {
      line.replace(0, 1, letters[static_cast<std::size_t>(line[0] - 'A')]);
      ++changed;
    } else if (line.rfind("ANSWER: ", 0) == 0 && line.size() >= 9 && line[8] >= 'A' && line[8] <= 'D') {
      line = "ОТВЕТ: " + letters[static_cast<std::size_t>(line[8] - 'A')] + line.substr(9);
      ++changed;
    }
    out += line;
  }
  EXPECT_GT(changed, 0u) << "the sample has no option lines";
  return out;
}

// Options lettered in Cyrillic make the test file that Latin ones make.
TEST(Compile, CyrillicLettersMakeTheSameFileAsLatinOnes) {
  const std::string latin = "Time: 4\n\nQ1\nA. a\nB) b\nD. d\nANSWER: D\n\nQ2\nC. c\nanswer: C\n";
  const std::string cyrillic = "Time: 4\n\nQ1\nА. a\nБ) b\nГ. d\nОТВЕТ: Г\n\nQ2\nВ. c\nответ: В\n";
  EXPECT_EQ(CompileOk(cyrillic).Content(), CompileOk(latin).Content());

  const std::string sample = testing::Get(MIRAVEL_SAMPLE_SOURCE);
  const std::string typed_in_cyrillic = InCyrillicLetters(sample);
  ASSERT_NE(typed_in_cyrillic, sample);
  EXPECT_EQ(CompileOk(typed_in_cyrillic).Content(), CompileOk(sample).Content());
}

struct HeaderCase {
  const char* what;
  std::string source;
  std::optional<Text> title;
  std::optional<Text> description;
  std::optional<std::int32_t> time;
};

TEST(ParseSource, Header) {
  // Each header is followed by a question, which every source needs.
  const HeaderCase cases[] = {
      {"keywords in any case", "TITLE: a\ndescription: b\ntImE: 3\n", Text("a"), Text("b"), 3},
      {"Russian keywords", "НАЗВАНИЕ: Тест\nОписание: о\nвремя: 4\n", Text("Тест"_w), Text("о"_w), 4},
      {"values are trimmed", "Title: \t x y  \t\nTime: 1\n", Text("x y"), {}, 1},
      {"empty value is present", "Title:\nTime: 1\n", Text(""), {}, 1},
      {"continuation lines", "Title: a\n\tb\n   c  \nTime: 1\n", Text("a\r\nb\r\nc"), {}, 1},
      {"comments do not end a value", "Time: 1\nTitle: a\n# note\n  b\n", Text("a\r\nb"), {}, 1},
      {"the header ends at a blank line", "Title: a\nTime: 1\n\nDescription: q\nA. o\nANSWER: A\n", Text("a"), {}, 1},
      {"the header ends at a text line", "Time: 2\nQ\nA. o\nANSWER: A\n", {}, {}, 2},
      {"BOM and CR LF", "\xEF\xBB\xBFTitle: x\r\n  y\r\nTime: 1\r\n", Text("x\r\ny"), {}, 1},
      {"leading zeros and the largest Time", "Time: 0035791394\n", {}, {}, 35791394},
      {"unquoted backslashes are literal", "Title: a\\nb\\\"\nTime: 1\n", Text("a\\nb\\\""), {}, 1},
      {"quoted value",
       "Title: \"  a\\\"b\\\\c\\r\\n\\t\\x98\\x00Ё\" \nTime: 1\n",
       Text("  a\"b\\c\r\n\t\x98") + Text(1, '\0') + Text("Ё"_w),
       {},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TestSource source = ParseOk(c.source + "\nQ\nA. a\nANSWER: A\n");
    EXPECT_EQ(source.title, c.title);
    EXPECT_EQ(source.description, c.description);
    EXPECT_EQ(source.time_minutes, c.time);
  }
}

struct Expected {
  Text text;
  std::array<std::optional<Text>, 4> options;
  int answer;
};

struct QuestionCase {
  const char* what;
  std::string source;
  std::vector<Expected> questions;
};

TEST(ParseSource, Questions) {
  const std::optional<Text> none;
  const QuestionCase cases[] = {
      {"text lines are trimmed and joined",
       "  Какая  \n\tрека? \nA.Нил\nANSWER:A\n",
       {{Text("Какая\r\nрека?"_w), {Text("Нил"_w), none, none, none}, 0}}},
      {"skipped letters, empty option, ) form",
       "Q\nA) a\nB.\nD.  d  \nAnswer : B\n",
       {{"Q", {Text("a"), Text(""), none, Text("d")}, 1}}},
      {"blank lines and comments inside a question",
       "Q\n\n# a note\nA. a\n\n  # another\nB. b\n\nANSWER: B\n",
       {{"Q", {Text("a"), Text("b"), none, none}, 1}}},
      {"questions without a blank line between them",
       "Q1\nA. a\nANSWER: A\nQ2\nA. a\nB. b\nANSWER: B\n",
       {{"Q1", {Text("a"), none, none, none}, 0}, {"Q2", {Text("a"), Text("b"), none, none}, 1}}},
      {"a later letter in the question text is text",
       "E. coli is\nA. a bacterium\nANSWER: A\n",
       {{"E. coli is", {Text("a bacterium"), none, none, none}, 0}}},
      {"a header keyword after the header is text",
       "Time: is it?\nA. yes\nANSWER: A\n",
       {{"Time: is it?", {Text("yes"), none, none, none}, 0}}},
      {"quoted question and options",
       "\"  # A. \\\"x\\\"\\r\\n\"\nA. \"\"\nB. \"  b \"\nC. \"c\\\\\"\nANSWER: C\n",
       {{"  # A. \"x\"\r\n", {Text(""), Text("  b "), Text("c\\"), none}, 2}}},
      {"an empty quoted question text", "\"\"\nA. a\nANSWER: A\n", {{"", {Text("a"), none, none, none}, 0}}},
      {"a line only opening a quote is literal",
       "\"Q\nA. \"a\nANSWER: A\n",
       {{"\"Q", {Text("\"a"), none, none, none}, 0}}},
      {"Cyrillic letters with ОТВЕТ",
       "Q\nА. а\nБ) б\nГ. г\nОТВЕТ: Г\n",
       {{"Q", {Text("а"_w), Text("б"_w), none, Text("г"_w)}, 3}}},
      {"Cyrillic letters with ANSWER, Latin ones with ОТВЕТ, keywords in any case",
       "Q1\nВ. в\nanswer: В\nQ2\nC. c\nОтвет : C\n",
       {{"Q1", {none, none, Text("в"_w), none}, 2}, {"Q2", {none, none, Text("c"), none}, 2}}},
      {"a later Cyrillic letter in the question text is text",
       "Д. И. Менделеев открыл\nА. закон\nОТВЕТ: А\n",
       {{Text("Д. И. Менделеев открыл"_w), {Text("закон"_w), none, none, none}, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // After a header with the Time that every source needs.
    const TestSource source = ParseOk("Time: 1\n\n" + c.source);
    ASSERT_EQ(source.questions.size(), c.questions.size());
    for (std::size_t i = 0; i < c.questions.size(); ++i) {
      EXPECT_EQ(source.questions[i].text, c.questions[i].text);
      EXPECT_EQ(source.questions[i].options, c.questions[i].options);
      EXPECT_EQ(source.questions[i].answer, c.questions[i].answer);
    }
  }
}

// Every header text given, so that no warning is about its absence.
const std::string kHeader = "Title: t\nDescription: d\nComments: c\nTime: 1\n\n";

struct WarningCase {
  const char* what;
  std::string source;
  std::size_t line;
  const char* fragment;
};

TEST(ParseSource, WarningsDoNotStopTheTestFile) {
  const WarningCase cases[] = {
      {"small Latin letter in the text", kHeader + "Q\nb. b\nB. b\nANSWER: B\n", 7,
       "this line is taken as question text; option letters are capitals: \"b.\" → \"B.\""},
      {"small Cyrillic letter in the text", kHeader + "Q\nв) b\nВ. b\nОТВЕТ: В\n", 7,
       "this line is taken as question text; option letters are capitals: \"в)\" → \"В)\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto result = Compile(c.source);
    EXPECT_TRUE(result.document);
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(result.warnings[0].line, c.line);
    EXPECT_NE(result.warnings[0].message.find(c.fragment), std::string::npos) << result.warnings[0].message;
  }
  EXPECT_TRUE(Compile(kHeader + "Q\nA. a\nANSWER: A\n").warnings.empty());
  // Header texts given empty are there: the student sees them empty.
  EXPECT_TRUE(Compile("Title:\nDescription:\nКомментарии:\nTime: 5\n\nQ\nA. a\nANSWER: A\n").warnings.empty());
  // A wrong mark on the first line of a question is text: options come after
  // some text.
  EXPECT_TRUE(Compile(kHeader + "A, B and C:\nA. a\nANSWER: A\n").warnings.empty());
}

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
