// SPDX-License-Identifier: GPL-3.0-or-later
// The answer journal: the hidden INI-style file in the user's profile folder
// that holds every answer given during one run, in plain (not enciphered)
// Windows-1251 texts.
//
//   [Вопрос№N]                      one section per question recorded
//   Текст вопроса=<question text>   "НЕТ" when the test file lacks it
//   ВариантДан=<given answer>       "нет ответа" when no option was selected
//                                   or the test file lacks its text
//   ВариантЭталон=                  always empty: the right option is kept
//                                   in the run's memory alone, never where
//                                   the student's account can read it
//   ВариантДанНомер=<0..3 or -1>    the option selected, -1 for none
//
// Its path is fixed once per run (AnswerJournal): profile folder, separator,
// "tmp", the date in the short date form, a number 0..99, ".ini". The file
// comes into being with the first recorded answer, readable by the user
// alone, and is deleted when the main window closes.
//
// The journal is the record on disk; the run grades from its own record in
// memory (AnswerJournal::Answers), which the student's account cannot
// change, and notices when the file is no longer as the run wrote it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// One recorded answer, as the test file held it at the moment it was
// recorded.
struct RecordedAnswer {
  Text question;  // "НЕТ" when the test file lacks it
  Text given;  // "нет ответа" when no option was selected or it has no text
  Text reference;  // "нет" when the answer code or that option's text is missing
  std::int32_t option = -1;  // the option selected, -1 for none
  friend bool operator==(const RecordedAnswer&, const RecordedAnswer&) = default;
};

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
// The file name alone: "tmp" + JournalFileNameDate(date_text) + suffix + ".ini".
std::string JournalFileName(std::string_view date_text, unsigned suffix);

// The journal number is drawn from 0..99. Only when every one of those is
// taken on one day (100 journals left behind) does it come from the wider
// range 100..9999, so that a run never takes over another's journal.
inline constexpr unsigned kJournalSuffixes = 100;
inline constexpr unsigned kWideJournalSuffixes = 10000;

// Draws the journal number with `random(bound)` (which returns 0 .. bound -
// 1) among the numbers for which `exists(number)` is false: uniformly among
// the free ones of 0..99 with one call; when none of those is free, among
// 100..9999 (random tries, then the first free one). Nothing when every
// number is taken.
std::optional<unsigned> DrawJournalSuffix(const std::function<unsigned(unsigned)>& random,
                                          const std::function<bool(unsigned)>& exists);

// The answer journal of one run.
//
// Made when the main window is made: it asks `os` once for the date, lists
// the profile folder once, removes what killed runs left in the middle of a
// recording (RemoveJournalLeftovers), draws the number among those whose
// journal does not exist and builds the path, all fixed for the run (also
// past midnight). No file is made then.
//
// The first recorded answer creates the file with an exclusive create, which
// makes the name this run's own: should another program have taken the name
// since, a free one is drawn there and then. Every later recording replaces
// the file this run created. A file this run did not create is never read,
// written or deleted by it: before its first recording the journal reads as
// empty and does not exist.
class AnswerJournal {
 public:
  AnswerJournal(os::Services& os, std::string profile_folder);

  // The path of the journal (it changes only if the first recording finds
  // the drawn name taken).
  const std::string& Path() const { return path_; }
  unsigned Suffix() const { return suffix_; }
  // Whether this run has created its journal file.
  bool Created() const { return created_; }

  // RecordAnswer into this run's file, creating it first if need be, and
  // the answer into the run's own record once the file holds it. Throws
  // ProfileWriteError ("Unable to write to <path>") when the file cannot be
  // created or written; the record then stays as it was too.
  void Record(const ProfileFile* test_file, std::int32_t n, std::int32_t selected);
  // The option recorded for question `n`, or -1, from the run's own record.
  std::int32_t RecordedOption(std::int32_t n) const;
  // The run's own record: every question recorded, with what was recorded
  // for it last. The report is graded from it.
  const std::map<std::int32_t, RecordedAnswer>& Answers() const { return answers_; }
  // Whether this run's journal file is there.
  bool Exists() const;
  // Whether the file was changed by anyone but this run: at some recording
  // it was found not as the run had left it, or it is not so now (changed,
  // removed, replaced by something that is not a regular file). Reads the
  // file, at most as many bytes as the run wrote. False before the file is
  // created.
  bool ChangedBehindTheRun() const;
  // Deletes the file if this run created it and it is there. A failure is
  // not reported.
  void Remove();

 private:
  void Create();
  bool AsWritten() const;

  os::Services& os_;
  std::string folder_;
  std::string date_;
  unsigned suffix_ = 0;
  std::string path_;
  ProfileFile file_{std::string()};  // bound to path_ once created
  bool created_ = false;
  std::map<std::int32_t, RecordedAnswer> answers_;
  ProfileDocument written_;  // the file as this run has written it
  bool changed_ = false;  // found changed at a recording
};

// The process id in the name of a temporary file that a journal's
// replacement leaves when the program is killed in the middle of it
// ("tmp<date><n>.ini.~<process id>-<count>"), or nothing for any other name.
std::optional<std::uint64_t> JournalLeftoverProcess(std::string_view file_name);
// Removes from `folder`, whose listing is `entries`, every such temporary
// file that is a regular file and whose process is no longer running (so it
// is not being written now). Other files are never touched.
void RemoveJournalLeftovers(os::Services& os, const std::string& folder,
                            const std::vector<os::Services::FolderEntry>& entries);

// What recording the answer to question `n` takes from the test file: the
// question text, the text of option `selected` (-1: none selected) and the
// text of the option the answer code names. A null `test_file` (no test
// open) reads as an empty file.
RecordedAnswer ReadAnswer(const ProfileFile* test_file, std::int32_t n, std::int32_t selected);

// Records the answer to question `n`: ReadAnswer, all before writing
// anything; then writes the four keys of section "Вопрос№n" (replacing an
// earlier recording of the same question) and marks the journal file hidden
// through `os`. Returns what was recorded.
// Throws ProfileWriteError ("Unable to write to <journal path>") when the
// journal cannot be written; the file is then neither changed nor hidden.
RecordedAnswer RecordAnswer(const ProfileFile* test_file, ProfileFile& journal, os::Services& os, std::int32_t n,
                            std::int32_t selected);

// The option a journal file holds for question `n`, or -1 when it holds
// none.
std::int32_t RecordedOption(const ProfileFile& journal, std::int32_t n);

}  // namespace miravel::testdata
