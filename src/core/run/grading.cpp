// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/grading.h"

#include <algorithm>
#include <string>
#include <vector>

#include "testdata/journal.h"

namespace miravel::run {

using namespace miravel::literals;
using namespace testdata::journal_keys;

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

std::vector<std::int32_t> RecordedQuestions(const ProfileDocument& journal, std::int32_t count) {
  std::vector<std::int32_t> numbers;
  for (const std::string_view name : journal.SectionNames()) {
    if (name.size() <= kSectionPrefix.size() ||
        !cp1251::EqualsIgnoringCase(name.substr(0, kSectionPrefix.size()), kSectionPrefix))
      continue;
    const std::string_view digits = name.substr(kSectionPrefix.size());
    // The decimal form of a question number: no sign, no leading zero.
    if (digits.size() > 10 || digits.front() == '0') continue;
    std::int64_t n = 0;
    bool all_digits = true;
    for (const char c : digits) {
      if (c < '0' || c > '9') {
        all_digits = false;
        break;
      }
      n = n * 10 + (c - '0');
    }
    if (all_digits && n >= 1 && n <= count) numbers.push_back(static_cast<std::int32_t>(n));
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

void WriteReport(const ProfileFile& journal, const std::function<bool()>& journal_exists, std::int32_t count,
                 ReportSink& sink, std::int32_t& right_count) {
  if (count < 0) throw RangeCheckError();
  // One look at the file for the whole report, not one per value: nothing
  // writes the journal while the report is made.
  const ProfileDocument& doc = journal.Snapshot();
  const auto read = [&doc](const Text& section, std::string_view key, std::string_view def) {
    auto value = doc.Find(section, key);
    return value ? std::move(*value) : Text(def);
  };

  // Only a question the journal has a section for can be right, so the grade
  // list holds the right questions alone: a test file that claims billions of
  // questions costs no more to grade than the answers recorded.
  std::vector<std::int32_t> right;
  for (const std::int32_t n : RecordedQuestions(doc, count)) {
    const Text section = testdata::JournalSection(n);
    const Text given = read(section, kGivenAnswer, "");
    const Text reference = read(section, kReferenceAnswer, "");
    if (!given.empty() && given == reference) right.push_back(n);
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
    const std::string_view missing = journal_exists() ? kTimeRanOut : kNoJournal;
    const Text section = testdata::JournalSection(n);
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(Text(kHeader) + number + Text(kWrongEnd));
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(read(section, kQuestionText, missing));
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(Text(kGivenLead) + read(section, kGivenAnswer, missing));
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(Text(kReferenceLead) + read(section, kReferenceAnswer, missing));
    sink.SetColor(ReportColor::kRed);
    sink.AppendLine(Text());
    sink.AppendLine(separator);
  }
}

}  // namespace miravel::run
