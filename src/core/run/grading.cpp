// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/grading.h"

#include <string>
#include <vector>

#include "testdata/journal.h"

namespace miravel::run {

using namespace miravel::literals;

namespace {

constexpr std::string_view kHeader = "ВОПРОС № "_w;
constexpr std::string_view kRightEnd = " ---ВЕРНО--- "_w;
constexpr std::string_view kWrongEnd = " ---ОШИБКА---"_w;
constexpr std::string_view kGivenLead = "Вы ответили: "_w;
constexpr std::string_view kReferenceLead = "Правильный вариант "_w;
constexpr std::string_view kTimeRanOut = "Нет ответа. Время закончилось"_w;
constexpr std::string_view kNoJournal = "Непредвиденная ошибка"_w;
constexpr std::size_t kSeparatorLength = 87;

}  // namespace

void WriteReport(const std::map<std::int32_t, testdata::RecordedAnswer>& answers,
                 const std::function<bool()>& journal_created, std::int32_t count, ReportSink& sink,
                 std::int32_t& right_count) {
  if (count < 0) throw RangeCheckError();
  // Only a recorded question can be right, so the grade list holds the right
  // questions alone: a test file that claims billions of questions costs no
  // more to grade than the answers recorded.
  std::vector<std::int32_t> right;
  for (auto it = answers.lower_bound(1); it != answers.end() && it->first <= count; ++it) {
    const testdata::RecordedAnswer& answer = it->second;
    if (!answer.given.empty() && answer.given == answer.reference) right.push_back(it->first);
  }

  const Text separator(kSeparatorLength, '*');
  auto next_right = right.begin();
  for (std::int64_t i = 1; i <= count; ++i) {
    const auto n = static_cast<std::int32_t>(i);
    const std::string number = std::to_string(n);
    if (next_right != right.end() && *next_right == n) {
      ++next_right;
      sink.SetColor(ReportColor::kBlue);
      sink.AppendLine(Text(kHeader) + number + Text(kRightEnd));
      sink.SetColor(ReportColor::kBlue);
      sink.AppendLine(Text());
      sink.AppendLine(separator);
      ++right_count;
      continue;
    }
    const std::string_view missing = journal_created() ? kTimeRanOut : kNoJournal;
    const auto recorded = answers.find(n);
    const testdata::RecordedAnswer* answer = recorded == answers.end() ? nullptr : &recorded->second;
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(Text(kHeader) + number + Text(kWrongEnd));
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(answer ? answer->question : Text(missing));
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(Text(kGivenLead) + (answer ? answer->given : Text(missing)));
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(Text(kReferenceLead) + (answer ? answer->reference : Text(missing)));
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(Text());
    sink.AppendLine(separator);
  }
}

}  // namespace miravel::run
