// The answer journal: the hidden INI-style file in the user's profile folder
// that holds every answer given during one run, in plain (not enciphered)
// Windows-1251 texts.
//
//   [Вопрос№N]                      one section per question recorded
//   Текст вопроса=<question text>   "НЕТ" when the test file lacks it
//   ВариантДан=<given answer>       "нет ответа" when no option was selected
//                                   or the test file lacks its text
//   ВариантЭталон=<correct option>  "нет" when the test file lacks the answer
//                                   code or the text of that option
//   ВариантДанНомер=<0..3 or -1>    the option selected, -1 for none
//
// Its path is fixed once per run (SetUpJournal): profile folder, separator,
// "tmp", the date in the short date form, a number 0..99, ".ini". The file
// comes into being with the first recorded answer and is deleted by the
// window when it closes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/cp1251.h"
#include "platform/os_services.h"
#include "platform/profile_file.h"

namespace miravel::testdata {

namespace journal_keys {
using miravel::literals::operator""_w;
// The section of question N is kSectionPrefix followed by N, no blank.
inline constexpr std::string_view kSectionPrefix = "Вопрос№"_w;
inline constexpr std::string_view kQuestionText = "Текст вопроса"_w;
inline constexpr std::string_view kGivenAnswer = "ВариантДан"_w;
inline constexpr std::string_view kReferenceAnswer = "ВариантЭталон"_w;
inline constexpr std::string_view kGivenOption = "ВариантДанНомер"_w;
}  // namespace journal_keys

// "Вопрос№" followed by N in decimal: the journal section of question N.
Text JournalSection(std::int32_t n);

// The separator between the profile folder and the file name.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The date text as it goes into the file name: every byte that cannot stand
// in a Windows file name (\ / : * ? " < > | and bytes below 32) becomes ".",
// on every platform, so that a short date form such as "12/08/26" names a
// file ("12.08.26") and not folders that do not exist.
Text JournalFileNameDate(std::string_view date_text);

// profile_folder + separator + "tmp" + JournalFileNameDate(date_text) +
// suffix in decimal + ".ini". An empty profile folder gives a path that
// begins with the separator.
// Example: "/home/ivan", "08.12.2026", 7 -> "/home/ivan/tmp08.12.20267.ini".
std::string JournalPath(std::string_view profile_folder, std::string_view date_text, unsigned suffix);

// Draws the journal number 0..99 with one call of `random(bound)` (which
// returns 0 .. bound - 1): uniformly among the numbers for which
// `exists(number)` is false, so that a journal left behind by an earlier run
// is not taken over; only when all 100 exist, uniformly among all of them.
std::uint8_t DrawJournalSuffix(const std::function<unsigned(unsigned)>& random,
                               const std::function<bool(std::uint8_t)>& exists);

// The journal of a run, fixed when the main window is made.
struct JournalSetup {
  std::uint8_t suffix = 0;  // 0..99
  std::string path;         // JournalPath(profile_folder, today's date, suffix)
};
// Asks `os` once for the date, draws the number (DrawJournalSuffix with
// os.Random and os.FileExists) and builds the path in `profile_folder`.
// Creates no file.
JournalSetup SetUpJournal(os::Services& os, std::string_view profile_folder);

// Records the answer to question `n`: reads from the test file the question
// text, the text of option `selected` (-1: none selected) and the text of the
// option the answer code names, all before writing anything; then writes the
// four keys of section "Вопрос№n" in the order above (replacing an earlier
// recording of the same question) and marks the journal file hidden through
// `os`. A null `test_file` (no test open) reads as an empty file.
// Throws ProfileWriteError ("Unable to write to <journal path>") when the
// journal cannot be written; the file is then neither changed nor hidden.
void RecordAnswer(const ProfileFile* test_file, ProfileFile& journal, os::Services& os, std::int32_t n,
                  std::int32_t selected);

// The option recorded for question `n`, or -1 when none was recorded.
std::int32_t RecordedOption(const ProfileFile& journal, std::int32_t n);

}  // namespace miravel::testdata
