#include "run/grading.h"

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

void WriteReport(const ProfileFile& journal, const std::function<bool()>& journal_exists, std::int32_t count,
                 ReportSink& sink, std::int32_t& right_count) {
  if (count < 0) throw RangeCheckError();
  const auto size = static_cast<std::size_t>(count);
  // One look at the file for the whole report, not one per value: nothing
  // writes the journal while the report is made.
  const ProfileDocument& doc = journal.Snapshot();
  const auto read = [&doc](const Text& section, std::string_view key, std::string_view def) {
    auto value = doc.Find(section, key);
    return value ? std::move(*value) : Text(def);
  };

  std::vector<bool> right(size);
  for (std::size_t i = 0; i < size; ++i) {
    const Text section = testdata::JournalSection(static_cast<std::int32_t>(i + 1));
    const Text given = read(section, kGivenAnswer, "");
    const Text reference = read(section, kReferenceAnswer, "");
    right[i] = !given.empty() && given == reference;
  }

  const Text separator(kSeparatorLength, '*');
  for (std::size_t i = 0; i < size; ++i) {
    const std::string number = std::to_string(i + 1);
    if (right[i]) {
      sink.SetColor(ReportColor::kBlue);
      sink.AppendLine(Text(kHeader) + number + Text(kRightEnd));
      sink.SetColor(ReportColor::kBlue);
      sink.AppendLine(Text());
      sink.AppendLine(separator);
      ++right_count;
      continue;
    }
    const std::string_view missing = journal_exists() ? kTimeRanOut : kNoJournal;
    const Text section = testdata::JournalSection(static_cast<std::int32_t>(i + 1));
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
