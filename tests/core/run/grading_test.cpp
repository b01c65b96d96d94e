// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/grading.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "testdata/journal.h"

namespace miravel::run {
namespace {

using namespace miravel::literals;

constexpr ReportColor kBlue = ReportColor::kBlue;
constexpr ReportColor kRed = ReportColor::kRed;

struct Line {
  Text text;
  std::optional<ReportColor> color;  // the colour set last before the line
  friend bool operator==(const Line&, const Line&) = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
  out << '"' << cp1251::ToUtf8(line.text) << "\" ";
  if (!line.color) return out << "(no colour)";
  return out << (*line.color == kBlue ? "blue" : "red");
}

// The report box as the report sees it; the append numbered `fail_at`
// (from 1) fails as a full box does.
class RecordingSink : public ReportSink {
 public:
  std::vector<Line> lines;
  std::optional<std::size_t> fail_at;
  int color_calls = 0;

  void SetColor(ReportColor color) override {
    ++color_calls;
    color_ = color;
  }
  void AppendLine(const Text& line) override {
    if (fail_at && lines.size() + 1 == *fail_at) throw std::runtime_error("RichEdit line insertion error");
    lines.push_back({line, color_});
  }

 private:
  std::optional<ReportColor> color_;
};

const Text kSeparator(87, '*');
const Text kTimeRanOut("Нет ответа. Время закончилось"_w);
const Text kNoJournal("Непредвиденная ошибка"_w);

Text RightHeader(int n) { return Text("ВОПРОС № "_w) + std::to_string(n) + Text(" ---ВЕРНО--- "_w); }
Text WrongHeader(int n) { return Text("ВОПРОС № "_w) + std::to_string(n) + Text(" ---ОШИБКА---"_w); }

std::vector<Line> RightBlock(int n) { return {{RightHeader(n), kBlue}, {"", kBlue}, {kSeparator, kBlue}}; }
std::vector<Line> WrongBlock(int n, std::string_view question, std::string_view given, std::string_view reference) {
  return {{WrongHeader(n), kRed},
          {Text(question), kRed},
          {Text("Вы ответили: "_w) + Text(given), kRed},
          {Text("Правильный вариант "_w) + Text(reference), kRed},
          {"", kRed},
          {kSeparator, kRed}};
}

std::vector<Line> Join(std::initializer_list<std::vector<Line>> blocks) {
  std::vector<Line> out;
  for (const auto& b : blocks) out.insert(out.end(), b.begin(), b.end());
  return out;
}

using Answers = std::map<std::int32_t, testdata::RecordedAnswer>;

// One recorded answer, as the run's record holds it.
Answers Recorded(int n, std::string_view question, std::string_view given, std::string_view reference,
                 std::int32_t option = 0) {
  return {{n, testdata::RecordedAnswer{Text(question), Text(given), Text(reference), option}}};
}
Answers Merge(std::initializer_list<Answers> groups) {
  Answers out;
  for (const Answers& group : groups) out.insert(group.begin(), group.end());
  return out;
}

class Report : public ::testing::Test {
 protected:
  // Runs the report with a journal that came into being (or not); counts
  // the questions.
  void Run(const Answers& answers, std::int32_t count, bool created = true) {
    WriteReport(
        answers,
        [&] {
          ++created_calls_;
          return created;
        },
        count, sink_, right_count_);
  }

  RecordingSink sink_;
  std::int32_t right_count_ = 0;
  int created_calls_ = 0;
};

TEST_F(Report, TwoQuestionsOneRightOneNeverRecorded) {
  Run(Recorded(1, "Столица Франции?"_w, "Париж"_w, "Париж"_w), 2);
  EXPECT_EQ(sink_.lines, Join({RightBlock(1), WrongBlock(2, kTimeRanOut, kTimeRanOut, kTimeRanOut)}));
  EXPECT_EQ(right_count_, 1);
  EXPECT_EQ(created_calls_, 1);  // asked for the wrong question only

  // The exact bytes of the headers and the separator.
  ASSERT_EQ(sink_.lines.size(), 9u);
  EXPECT_EQ(sink_.lines[0].text, "\xC2\xCE\xCF\xD0\xCE\xD1 \xB9 1 ---\xC2\xC5\xD0\xCD\xCE--- ");
  EXPECT_EQ(sink_.lines[3].text, "\xC2\xCE\xCF\xD0\xCE\xD1 \xB9 2 ---\xCE\xD8\xC8\xC1\xCA\xC0---");
  EXPECT_EQ(sink_.lines[2].text.size(), 87u);
  EXPECT_EQ(sink_.lines[2].text.find_first_not_of('*'), Text::npos);
}

TEST_F(Report, ThreeQuestionsFirstAndThirdRight) {
  const Answers answers =
      Merge({Recorded(1, "Q1", "A", "A"), Recorded(2, "2 + 2 = ?"_w, "5", "4"), Recorded(3, "Q3", "B", "B")});
  right_count_ = 5;  // the count is added to, never reset
  Run(answers, 3);
  EXPECT_EQ(sink_.lines, Join({RightBlock(1), WrongBlock(2, "2 + 2 = ?"_w, "5", "4"), RightBlock(3)}));
  EXPECT_EQ(right_count_, 7);
  // Lines 1-3 blue, 4-9 red, 10-12 blue.
  for (std::size_t i = 0; i < sink_.lines.size(); ++i)
    EXPECT_EQ(sink_.lines[i].color, i >= 3 && i < 9 ? kRed : kBlue) << i + 1;
}

TEST_F(Report, RightOnlyWhenTheAnswerEqualsTheReferenceAndIsNotEmpty) {
  struct Case {
    const char* what;
    Answers answers;
    bool right;
    Text given_line;  // the "Вы ответили" line of a wrong question
  } cases[] = {
      {"equal", Recorded(1, "Q", "Париж"_w, "Париж"_w), true, ""},
      {"both empty", Recorded(1, "Q", "", ""), false, Text("Вы ответили: "_w)},
      {"letter case differs", Recorded(1, "Q", "париж"_w, "Париж"_w), false, Text("Вы ответили: париж"_w)},
      {"trailing blank", Recorded(1, "Q", "A ", "A"), false, Text("Вы ответили: A "_w)},
      {"no option, no answer code", Recorded(1, "Q", "нет ответа"_w, "нет"_w, -1), false,
       Text("Вы ответили: нет ответа"_w)},
      // Two options of the same text as the right one: either counts.
      {"another option of the same text", Recorded(1, "Q", "4", "4", 3), true, ""},
      {"another question's answer only", Recorded(2, "Q", "A", "A"), false, Text("Вы ответили: "_w) + kTimeRanOut},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sink_.lines.clear();
    right_count_ = 0;
    Run(c.answers, 1);
    EXPECT_EQ(right_count_, c.right ? 1 : 0);
    ASSERT_EQ(sink_.lines.size(), c.right ? 3u : 6u);
    EXPECT_EQ(sink_.lines[0].text, c.right ? RightHeader(1) : WrongHeader(1));
    if (!c.right) {
      EXPECT_EQ(sink_.lines[2].text, c.given_line);
    }
  }
}

TEST_F(Report, NoJournalFileAndMissingTextChosenPerQuestion) {
  const Answers none;
  Run(none, 2, false);
  EXPECT_EQ(sink_.lines, Join({WrongBlock(1, kNoJournal, kNoJournal, kNoJournal),
                               WrongBlock(2, kNoJournal, kNoJournal, kNoJournal)}));
  EXPECT_EQ(right_count_, 0);

  // The file is looked for again at each wrong question.
  sink_.lines.clear();
  bool exists = true;
  WriteReport(
      none,
      [&] {
        const bool now = exists;
        exists = !exists;
        return now;
      },
      2, sink_, right_count_);
  EXPECT_EQ(sink_.lines, Join({WrongBlock(1, kTimeRanOut, kTimeRanOut, kTimeRanOut),
                               WrongBlock(2, kNoJournal, kNoJournal, kNoJournal)}));
}

TEST_F(Report, NegativeOrZeroCount) {
  const Answers journal = Recorded(1, "Q", "A", "A");
  right_count_ = 3;
  for (const std::int32_t count : {-1, -2147483647 - 1}) {
    try {
      Run(journal, count);
      FAIL() << "no error for " << count;
    } catch (const RangeCheckError& e) {
      EXPECT_STREQ(e.what(), "Range check error");
    }
  }
  Run(journal, 0);
  EXPECT_TRUE(sink_.lines.empty());
  EXPECT_EQ(sink_.color_calls, 0);
  EXPECT_EQ(right_count_, 3);
  EXPECT_EQ(created_calls_, 0);
}

TEST_F(Report, AFailingLineStopsTheReportAndKeepsTheCount) {
  const Answers journal = Merge({Recorded(1, "Q1", "A", "A"), Recorded(3, "Q3", "B", "B")});  // 12 lines
  for (std::size_t fail_at = 1; fail_at <= 12; ++fail_at) {
    SCOPED_TRACE(fail_at);
    sink_.lines.clear();
    sink_.fail_at = fail_at;
    right_count_ = 0;
    try {
      Run(journal, 3);
      FAIL() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "RichEdit line insertion error");
    }
    EXPECT_EQ(sink_.lines.size(), fail_at - 1);
    // A right block counts once its separator is in.
    EXPECT_EQ(right_count_, fail_at <= 3 ? 0 : 1);
  }
}

TEST_F(Report, OnlyTheRecordedNumbersOfTheTestCount) {
  // Numbers outside 1..count, as a broken position could give, play no part.
  const Answers answers = Merge({Recorded(0, "Q0", "A", "A"), Recorded(-4, "Q", "A", "A"), Recorded(2, "Q2", "B", "B"),
                                 Recorded(3, "Q3", "C", "C")});
  Run(answers, 2);
  EXPECT_EQ(sink_.lines, Join({WrongBlock(1, kTimeRanOut, kTimeRanOut, kTimeRanOut), RightBlock(2)}));
  EXPECT_EQ(right_count_, 1);
}

TEST_F(Report, AQuestionCountOfBillionsCostsNoMoreThanTheLinesWritten) {
  // A broken test file claims 2,147,483,647 questions: the report stops when
  // the box is full, soon, and nothing wraps round at the top.
  const Answers journal = Merge({Recorded(2, "Q2", "A", "A"), Recorded(2147483647, "Q", "B", "B")});
  sink_.fail_at = 6000;
  EXPECT_THROW(Run(journal, 2147483647), std::runtime_error);
  EXPECT_EQ(sink_.lines.size(), 5999u);
  EXPECT_EQ(right_count_, 1);
  EXPECT_EQ(sink_.lines[6].text, RightHeader(2));
}

}  // namespace
}  // namespace miravel::run
