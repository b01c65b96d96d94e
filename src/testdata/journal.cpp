#include "testdata/journal.h"

#include <array>
#include <vector>

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

std::string JournalPath(std::string_view profile_folder, std::string_view date_text, unsigned suffix) {
  std::string path(profile_folder);
  path += kPathSeparator;
  path += "tmp";
  path += JournalFileNameDate(date_text);
  path += std::to_string(suffix);
  path += ".ini";
  return path;
}

std::uint8_t DrawJournalSuffix(const std::function<unsigned(unsigned)>& random,
                               const std::function<bool(std::uint8_t)>& exists) {
  constexpr unsigned kCount = 100;
  std::vector<std::uint8_t> free;
  free.reserve(kCount);
  for (unsigned i = 0; i < kCount; ++i)
    if (!exists(static_cast<std::uint8_t>(i))) free.push_back(static_cast<std::uint8_t>(i));
  if (free.empty())
    for (unsigned i = 0; i < kCount; ++i) free.push_back(static_cast<std::uint8_t>(i));
  const auto size = static_cast<unsigned>(free.size());
  return free[random(size) % size];
}

JournalSetup SetUpJournal(os::Services& os, std::string_view profile_folder) {
  JournalSetup setup;
  const std::string date = os.ShortDateText();
  setup.suffix = DrawJournalSuffix([&](unsigned bound) { return os.Random(bound); },
                                   [&](std::uint8_t suffix) {
                                     return os.FileExists(JournalPath(profile_folder, date, suffix));
                                   });
  setup.path = JournalPath(profile_folder, date, setup.suffix);
  return setup;
}

void RecordAnswer(const ProfileFile* test_file, ProfileFile& journal, os::Services& os, std::int32_t n,
                  std::int32_t selected) {
  // With no test open there is nothing to read: a file bound to no path
  // gives every default.
  const ProfileFile no_file{std::string()};
  const TestFileReader test(test_file != nullptr ? *test_file : no_file);
  const std::int32_t correct = test.CorrectOption(n);
  const Text question = test.RecordedQuestionText(n);
  const Text given = test.RecordedGivenAnswer(n, selected);
  const Text reference = test.RecordedReferenceAnswer(n, correct);

  // The four values go to the file in one replacement: rewriting a long
  // journal four times would cost four times as much.
  const std::string number = std::to_string(selected);
  const std::array<ProfileFile::Entry, 4> entries = {{
      {kQuestionText, question},
      {kGivenAnswer, given},
      {kReferenceAnswer, reference},
      {kGivenOption, number},
  }};
  journal.WriteTexts(JournalSection(n), entries);
  os.SetHidden(journal.Path());
}

std::int32_t RecordedOption(const ProfileFile& journal, std::int32_t n) {
  return journal.ReadNumber(JournalSection(n), kGivenOption, -1);
}

}  // namespace miravel::testdata
