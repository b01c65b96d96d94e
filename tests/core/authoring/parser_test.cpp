// SPDX-License-Identifier: GPL-3.0-or-later
#include "authoring/parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/profile_file.h"
#include "testdata/cipher.h"
#include "authoring_test_support.h"
#include "testdata/test_file.h"
#include "tool_test_support.h"

namespace miravel::authoring {
namespace {

using namespace miravel::literals;
using testdata::Cr;
using testdata::EnCr;
using testing::TempDir;

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

}  // namespace
}  // namespace miravel::authoring
