// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdata/journal.h"

#include <array>
#include <set>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "testdata/test_file.h"

namespace miravel::testdata {

using namespace journal_keys;

Text JournalSection(std::int32_t n) { return Text(kSectionPrefix) + std::to_string(n); }

Text JournalFileNameDate(std::string_view date_text) {
  constexpr std::string_view kNotInNames = "\\/:*?\"<>|";
  Text out(date_text);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 32 || kNotInNames.find(c) != std::string_view::npos) c = '.';
  return out;
}

std::string JournalFileName(std::string_view date_text, unsigned suffix) {
  return "tmp" + JournalFileNameDate(date_text) + std::to_string(suffix) + ".ini";
}

std::string JournalPath(std::string_view profile_folder, std::string_view date_text, unsigned suffix) {
  std::string path(profile_folder);
  path += kPathSeparator;
  path += JournalFileName(date_text, suffix);
  return path;
}

namespace {

// The names in `entries`, for the draw's existence test.
std::unordered_set<std::string> NamesOf(const std::vector<os::Services::FolderEntry>& entries) {
  std::unordered_set<std::string> names;
  names.reserve(entries.size());
  for (const auto& entry : entries) names.insert(entry.name);
  return names;
}

// The four keys of a journal section as the file holds `answer`, in their
// order; `number` is the option in decimal. The right option is not written:
// its key stays, with an empty value.
std::array<ProfileFile::Entry, 4> JournalEntries(const RecordedAnswer& answer, const std::string& number) {
  return {{
      {kQuestionText, answer.question},
      {kGivenAnswer, answer.given},
      {kReferenceAnswer, std::string_view()},
      {kGivenOption, number},
  }};
}

}  // namespace

std::optional<unsigned> DrawJournalSuffix(const std::function<unsigned(unsigned)>& random,
                                          const std::function<bool(unsigned)>& exists) {
  std::vector<unsigned> free;
  free.reserve(kJournalSuffixes);
  for (unsigned i = 0; i < kJournalSuffixes; ++i)
    if (!exists(i)) free.push_back(i);
  if (!free.empty()) {
    const auto size = static_cast<unsigned>(free.size());
    return free[random(size) % size];
  }
  // Every usual number is taken: a few random tries in the wider range,
  // then the first free one, so that a full range is still told apart.
  constexpr unsigned kWide = kWideJournalSuffixes - kJournalSuffixes;
  for (int attempt = 0; attempt < 32; ++attempt) {
    const unsigned suffix = kJournalSuffixes + random(kWide) % kWide;
    if (!exists(suffix)) return suffix;
  }
  for (unsigned suffix = kJournalSuffixes; suffix < kWideJournalSuffixes; ++suffix)
    if (!exists(suffix)) return suffix;
  return std::nullopt;
}

AnswerJournal::AnswerJournal(os::Services& os, std::string profile_folder)
    : os_(os), folder_(std::move(profile_folder)), date_(os.ShortDateText()) {
  // One listing of the folder serves the clean-up and the draw.
  const std::vector<os::Services::FolderEntry> entries = os_.FolderEntries(folder_);
  RemoveJournalLeftovers(os_, folder_, entries);
  const std::unordered_set<std::string> names = NamesOf(entries);
  const auto exists = [&](unsigned suffix) { return names.count(JournalFileName(date_, suffix)) != 0; };
  // With every name taken, the first recording reports that it cannot
  // create the journal.
  suffix_ = DrawJournalSuffix([this](unsigned bound) { return os_.Random(bound); }, exists).value_or(0);
  path_ = JournalPath(folder_, date_, suffix_);
}

void AnswerJournal::Create() {
  std::set<unsigned> taken;
  for (int attempt = 0; attempt < 100; ++attempt) {
    switch (os_.CreateExclusive(path_)) {
      case os::Services::Creation::kCreated:
        created_ = true;
        file_ = ProfileFile(path_);
        return;
      case os::Services::Creation::kFailed: throw ProfileWriteError(path_);
      case os::Services::Creation::kTaken: break;
    }
    // Another program took the name after this run drew it.
    taken.insert(suffix_);
    const std::unordered_set<std::string> names = NamesOf(os_.FolderEntries(folder_));
    const auto next = DrawJournalSuffix(
        [this](unsigned bound) { return os_.Random(bound); },
        [&](unsigned suffix) { return taken.count(suffix) != 0 || names.count(JournalFileName(date_, suffix)) != 0; });
    if (!next) break;
    suffix_ = *next;
    path_ = JournalPath(folder_, date_, suffix_);
  }
  throw ProfileWriteError(path_);
}

void AnswerJournal::Record(const ProfileFile* test_file, std::int32_t n, std::int32_t selected) {
  if (!created_) Create();
  // A change made since the last recording may be written over now: it is
  // noticed first.
  if (!changed_ && !AsWritten()) changed_ = true;
  RecordedAnswer answer = RecordAnswer(test_file, file_, os_, n, selected);
  const std::string number = std::to_string(answer.option);
  for (const ProfileFile::Entry& entry : JournalEntries(answer, number))
    written_.Set(JournalSection(n), entry.key, entry.value);
  answers_.insert_or_assign(n, std::move(answer));
}

std::int32_t AnswerJournal::RecordedOption(std::int32_t n) const {
  const auto answer = answers_.find(n);
  return answer == answers_.end() ? -1 : answer->second.option;
}

bool AnswerJournal::Exists() const { return created_ && os_.FileExists(path_); }

bool AnswerJournal::AsWritten() const {
  // The size first, so that a file made large behind the run's back is not
  // read.
  const std::string& expected = written_.Content();
  const fs::FileStamp stamp = fs::Stamp(path_);
  if (!stamp.exists || !stamp.regular || stamp.size != expected.size()) return false;
  const std::optional<fs::FileContent> content = fs::ReadWhole(path_);
  return content && content->bytes == expected;
}

bool AnswerJournal::ChangedBehindTheRun() const { return created_ && (changed_ || !AsWritten()); }

void AnswerJournal::Remove() {
  if (Exists()) os_.RemoveFile(path_);
}

std::optional<std::uint64_t> JournalLeftoverProcess(std::string_view name) {
  // "tmp", the date and number (ending in a digit), ".ini.~", digits, "-", digits.
  constexpr std::string_view kPrefix = "tmp";
  constexpr std::string_view kMiddle = ".ini.~";
  const std::size_t middle = name.rfind(kMiddle);
  if (middle == std::string_view::npos || middle <= kPrefix.size() || !name.starts_with(kPrefix)) return std::nullopt;
  const char last = name[middle - 1];
  if (last < '0' || last > '9') return std::nullopt;
  const std::string_view tail = name.substr(middle + kMiddle.size());
  const std::size_t dash = tail.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const std::string_view pid = tail.substr(0, dash);
  const std::string_view count = tail.substr(dash + 1);
  const auto digits = [](std::string_view s) {
    return !s.empty() && s.size() <= 19 && s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!digits(pid) || !digits(count)) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : pid) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  return value;
}

void RemoveJournalLeftovers(os::Services& os, const std::string& folder,
                            const std::vector<os::Services::FolderEntry>& entries) {
  const std::uint64_t self = os.ProcessId();
  for (const auto& entry : entries) {
    if (!entry.regular) continue;
    const auto pid = JournalLeftoverProcess(entry.name);
    if (!pid || *pid == self || os.ProcessRunning(*pid)) continue;
    os.RemoveFile(folder + kPathSeparator + entry.name);
  }
}

RecordedAnswer ReadAnswer(const ProfileFile* test_file, std::int32_t n, std::int32_t selected) {
  // With no test open there is nothing to read: a file bound to no path
  // gives every default.
  const ProfileFile no_file{std::string()};
  const TestFileReader test(test_file != nullptr ? *test_file : no_file);
  RecordedAnswer answer;
  const std::int32_t correct = test.CorrectOption(n);
  answer.question = test.RecordedQuestionText(n);
  answer.given = test.RecordedGivenAnswer(n, selected);
  answer.reference = test.RecordedReferenceAnswer(n, correct);
  answer.option = selected;
  return answer;
}

RecordedAnswer RecordAnswer(const ProfileFile* test_file, ProfileFile& journal, os::Services& os, std::int32_t n,
                            std::int32_t selected) {
  RecordedAnswer answer = ReadAnswer(test_file, n, selected);
  // The four values go to the file in one replacement: rewriting a long
  // journal four times would cost four times as much.
  const std::string number = std::to_string(selected);
  journal.WriteTexts(JournalSection(n), JournalEntries(answer, number));
  os.SetHidden(journal.Path());
  return answer;
}

std::int32_t RecordedOption(const ProfileFile& journal, std::int32_t n) {
  return journal.ReadNumber(JournalSection(n), kGivenOption, -1);
}

}  // namespace miravel::testdata
