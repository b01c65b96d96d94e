// SPDX-License-Identifier: GPL-3.0-or-later
// Grading a finished test from the run's own record of its answers, and the
// lines of the report.
//
// A question is right exactly when its recorded given answer equals its
// recorded reference answer byte for byte and is not empty. The report has one block
// per question, in question order:
//   right (blue):  "ВОПРОС № N ---ВЕРНО--- ", "", separator
//   wrong (red):   "ВОПРОС № N ---ОШИБКА---", question text,
//                  "Вы ответили: " + given answer,
//                  "Правильный вариант " + reference answer, "", separator
// where the separator is 87 "*" and the values of a question never recorded
// are replaced by "Нет ответа. Время закончилось" when the run's journal
// file came into being, else by "Непредвиденная ошибка". N questions of which R are right give
// 3R + 6(N - R) lines.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

#include "platform/cp1251.h"
#include "testdata/journal.h"

namespace miravel::run {

enum class ReportColor : std::uint8_t {
  kBlue,  // right answers: rgb(0, 0, 255)
  kRed,  // wrong answers: rgb(255, 0, 0)
};

struct Rgb {
  std::uint8_t red, green, blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
constexpr Rgb ToRgb(ReportColor color) { return color == ReportColor::kBlue ? Rgb{0, 0, 255} : Rgb{255, 0, 0}; }

// Where the report goes: the report box.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // The text colour of the lines appended from now on.
  virtual void SetColor(ReportColor color) = 0;
  // Appends one line (Windows-1251 text, no line break in it). May throw, for
  // instance when the box is full; the report then stops at that line.
  virtual void AppendLine(const Text& line) = 0;

 protected:
  ReportSink() = default;
  ReportSink(const ReportSink&) = default;
  ReportSink& operator=(const ReportSink&) = default;
};

// The error of a negative question count: what() is "Range check error".
class RangeCheckError : public std::runtime_error {
 public:
  RangeCheckError() : std::runtime_error("Range check error") {}
};

// Grades questions 1..count from `answers` (the run's record: question
// number to what was recorded for it) and writes the report to `sink`.
// Every question is graded before the first line is written. `right_count`
// is raised by one as each right question's block is written, so when the
// sink throws part way the count keeps what was written. `journal_created`
// is asked once per wrong question (it picks the text for missing values).
// Recorded numbers outside 1..count play no part. Count 0 writes nothing. A
// negative count throws RangeCheckError before anything is read or written.
// Exceptions of the sink pass through.
void WriteReport(const std::map<std::int32_t, testdata::RecordedAnswer>& answers,
                 const std::function<bool()>& journal_created, std::int32_t count, ReportSink& sink,
                 std::int32_t& right_count);

}  // namespace miravel::run
