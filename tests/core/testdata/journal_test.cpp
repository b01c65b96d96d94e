// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdata/journal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <latch>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <set>
#include <sstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "unprivileged.h"
#endif

#include "testdata/cipher.h"

namespace miravel::testdata {
namespace {

using namespace miravel::literals;
namespace stdfs = std::filesystem;

// The operating system as the journal sees it, with every answer chosen by
// the test and every request noted.
class FakeOs : public os::Services {
 public:
  std::string profile = "/home/ivan";
  std::string date = "08.12.2026";
  std::set<std::string> existing;
  unsigned random_result = 0;
  std::vector<unsigned> random_bounds;
  std::vector<std::string> hidden;
  int date_calls = 0;

  std::string ProfileFolder() override { return profile; }
  std::string ShortDateText() override {
    ++date_calls;
    return date;
  }
  bool FileExists(const std::string& path) override { return existing.count(path) != 0; }
  void RemoveFile(const std::string& path) override {
    existing.erase(path);
    std::remove(path.c_str());  // the files it created are real
  }
  void SetHidden(const std::string& path) override { hidden.push_back(path); }
  // Names noted as existing are taken; others are created for real.
  Creation CreateExclusive(const std::string& path) override {
    if (existing.count(path) != 0) return Creation::kTaken;
    const Creation result = os::System().CreateExclusive(path);
    if (result == Creation::kCreated) existing.insert(path);
    return result;
  }
  // The real folder, and the files noted as existing in it.
  std::vector<FolderEntry> FolderEntries(const std::string& folder) override {
    std::vector<FolderEntry> entries = os::System().FolderEntries(folder);
    for (const std::string& path : existing)
      if (path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
          path.find(kPathSeparator, folder.size() + 1) == std::string::npos)
        entries.push_back({path.substr(folder.size() + 1), true});
    return entries;
  }
  bool ProcessRunning(std::uint64_t pid) override { return os::System().ProcessRunning(pid); }
  std::uint64_t ProcessId() override { return os::System().ProcessId(); }
  unsigned Random(unsigned bound) override {
    random_bounds.push_back(bound);
    return random_result;
  }
};

// The real system in a folder of the test's, on a chosen date.
class FolderOs : public os::SystemServices {
 public:
  FolderOs(std::string folder, std::string date) : folder_(std::move(folder)), date_(std::move(date)) {}
  std::string ProfileFolder() override { return folder_; }
  std::string ShortDateText() override { return date_; }

 private:
  std::string folder_;
  std::string date_;
};

// A recorded answer from literals.
RecordedAnswer Answer(std::string_view question, std::string_view given, std::string_view reference,
                      std::int32_t option) {
  return {Text(question), Text(given), Text(reference), option};
}

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class Journal : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir_ = stdfs::temp_directory_path() / ("miravel-journal-" + std::to_string(rd()));
    stdfs::create_directories(dir_);
  }
  void TearDown() override {
    stdfs::permissions(dir_, stdfs::perms::owner_all, stdfs::perm_options::add);
    stdfs::remove_all(dir_);
  }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  // A test file of two questions, texts enciphered as in a real one.
  // Question 2 has no answer code.
  ProfileFile MakeTestFile() {
    ProfileDocument doc;
    doc.Set("qw 1", "QwText", Cr("Столица Франции?"_w));
    doc.Set("qw 1", "va0", Cr("Лион"_w));
    doc.Set("qw 1", "va1", Cr("Париж"_w));
    doc.Set("qw 1", "va2", Cr("Марсель"_w));
    doc.Set("qw 1", "va3", Cr("Ницца"_w));
    doc.Set("qw 1", "otv", "&");
    doc.Set("qw 2", "QwText", Cr("2 + 2 = ?"));
    doc.Set("qw 2", "va0", Cr("4"));
    const std::string path = File("test.DLL");
    doc.SaveAs(path);
    return ProfileFile(path);
  }

  // The journal section as the file holds it.
  static std::string Block(int n, std::string_view question, std::string_view given, std::string_view reference,
                           int option) {
    return "[" + JournalSection(n) + "]\r\n" + std::string("Текст вопроса="_w) + std::string(question) + "\r\n" +
           std::string("ВариантДан="_w) + std::string(given) + "\r\n" + std::string("ВариантЭталон="_w) +
           std::string(reference) + "\r\n" + std::string("ВариантДанНомер="_w) + std::to_string(option) + "\r\n";
  }

  stdfs::path dir_;
  FakeOs os_;
};

// A path written with "/" in the platform's own form.
std::string Native(std::string path) {
  for (char& c : path)
    if (c == '/') c = kPathSeparator;
  return path;
}

TEST(JournalName, PathOfProfileFolderDateAndNumber) {
  struct Case {
    std::string profile, date;
    unsigned suffix;
    std::string path;
  } cases[] = {
      {"/home/ivan", "08.12.2026", 7, "/home/ivan/tmp08.12.20267.ini"},
      {"/home/ivan", "08.12.2026", 0, "/home/ivan/tmp08.12.20260.ini"},
      {"/home/ivan", "08.12.2026", 99, "/home/ivan/tmp08.12.202699.ini"},
      {"", "08.12.2026", 10, "/tmp08.12.202610.ini"},  // no profile folder
      {"/home/ivan", "12/08/26", 5, "/home/ivan/tmp12.08.265.ini"},
      {"/home/ivan", "2026-12-08", 5, "/home/ivan/tmp2026-12-085.ini"},
      {"/h", "a\\b/c:d*e?f\"g<h>i|j", 1, "/h/tmpa.b.c.d.e.f.g.h.i.j1.ini"},
      {"/h", std::string("\x01\t\x1F \x7F", 5), 1,
       "/h/tmp... \x7F"
       "1.ini"},
      {"/h", std::string("8 дек. 2026 г."_w), 3, "/h/tmp" + std::string("8 дек. 2026 г."_w) + "3.ini"},
      {"/h", "", 4, "/h/tmp4.ini"},
  };
  for (const auto& c : cases) EXPECT_EQ(JournalPath(Native(c.profile), c.date, c.suffix), Native(c.path)) << c.date;
  EXPECT_EQ(JournalSection(12), "Вопрос№12"_w);
}

TEST(JournalName, SuffixIsDrawnOnceAmongTheFreeNumbers) {
  struct Case {
    const char* what;
    std::set<unsigned> existing;
    unsigned drawn_index;
    unsigned bound;  // what the generator is asked for
    unsigned expected;
  } cases[] = {
      {"none exist, first", {}, 0, 100, 0},
      {"none exist, last", {}, 99, 100, 99},
      {"none exist, middle", {}, 42, 100, 42},
      {"some exist, first free", {0, 1, 2, 50}, 0, 96, 3},
      {"some exist, skips 50", {0, 1, 2, 50}, 47, 96, 51},
      {"some exist, last free", {0, 1, 2, 50}, 95, 96, 99},
      {"one free",
       [] {
         std::set<unsigned> s;
         for (unsigned i = 0; i < 100; ++i)
           if (i != 63) s.insert(i);
         return s;
       }(),
       0, 1, 63},
      // Every usual number taken: the wider range, never a taken name.
      {"all exist",
       [] {
         std::set<unsigned> s;
         for (unsigned i = 0; i < 100; ++i) s.insert(i);
         return s;
       }(),
       77, 9900, 177},
  };
  for (const auto& c : cases) {
    std::vector<unsigned> bounds;
    const auto drawn = DrawJournalSuffix(
        [&](unsigned bound) {
          bounds.push_back(bound);
          return c.drawn_index;
        },
        [&](unsigned s) { return c.existing.count(s) != 0; });
    EXPECT_EQ(drawn, c.expected) << c.what;
    EXPECT_EQ(bounds, std::vector<unsigned>{c.bound}) << c.what;
  }

  // Whatever the generator gives, a number whose journal exists is never
  // drawn while another is free.
  std::set<unsigned> drawn;
  for (unsigned index = 0; index < 50; ++index)
    drawn.insert(DrawJournalSuffix([&](unsigned) { return index; }, [](unsigned s) { return s % 2 == 0; }).value());
  EXPECT_EQ(drawn.size(), 50u);
  for (const unsigned s : drawn) EXPECT_EQ(s % 2, 1u) << s;

  // In the wider range, taken numbers that the generator keeps giving are
  // passed over for a free one; with every number taken, there is none.
  const auto below = [](unsigned limit) { return [limit](unsigned s) { return s < limit; }; };
  EXPECT_EQ(DrawJournalSuffix([](unsigned) { return 0u; }, below(5000)), 5000u);
  EXPECT_EQ(DrawJournalSuffix([](unsigned) { return 0u; }, below(10000)), std::nullopt);
}

TEST_F(Journal, SetUpAvoidsExistingJournalsAndMendsTheDate) {
  os_.profile = dir_.string();
  os_.date = "12/08/26";  // a short date form with path separators
  for (unsigned s = 0; s < 5; ++s) os_.existing.insert(JournalPath(os_.profile, os_.date, s));
  os_.random_result = 0;
  AnswerJournal journal(os_, os_.profile);
  EXPECT_EQ(journal.Suffix(), 5u);
  EXPECT_EQ(journal.Path(), File("tmp12.08.265.ini"));
  EXPECT_EQ(os_.random_bounds, std::vector<unsigned>{95});
  EXPECT_EQ(os_.date_calls, 1);
  EXPECT_FALSE(stdfs::exists(journal.Path()));  // nothing is created yet
  EXPECT_FALSE(journal.Exists());

  // Recording works: the date names no folders.
  const ProfileFile test = MakeTestFile();
  journal.Record(&test, 1, 1);
  EXPECT_TRUE(stdfs::is_regular_file(journal.Path()));
  EXPECT_EQ(journal.RecordedOption(1), 1);
  journal.Remove();
  EXPECT_FALSE(stdfs::exists(journal.Path()));
}

// A journal that appears under the drawn name after start-up (another
// program drew the same number) is never read, written or deleted: the run
// draws a free name at its first recording.
TEST_F(Journal, ANameTakenAfterStartUpIsLeftToItsOwner) {
  FolderOs os(dir_.string(), "08.12.2026");
  const ProfileFile test = MakeTestFile();
  AnswerJournal journal(os, dir_.string());
  const std::string drawn = journal.Path();
  const std::string foreign = Block(1, "Чужой вопрос"_w, "Ницца"_w, "Париж"_w, 3);
  std::ofstream(drawn, std::ios::binary) << foreign;

  EXPECT_EQ(journal.RecordedOption(1), -1) << "the other program's answer shows";
  EXPECT_FALSE(journal.Exists());
  journal.Record(&test, 2, 0);
  EXPECT_NE(journal.Path(), drawn);
  EXPECT_EQ(journal.Path(), JournalPath(dir_.string(), "08.12.2026", journal.Suffix()));
  EXPECT_EQ(journal.RecordedOption(1), -1);
  EXPECT_EQ(journal.RecordedOption(2), 0);
  EXPECT_NE(Get(journal.Path()).find(JournalSection(2)), std::string::npos) << "recorded into the new name";
  journal.Remove();
  EXPECT_FALSE(stdfs::exists(journal.Path()));
  EXPECT_EQ(Get(drawn), foreign);
}

// Programs started at once in one folder, on a day whose names are nearly
// all taken, each get a journal of their own, however their draws and first
// recordings interleave.
TEST_F(Journal, ProgramsStartedAtOnceNeverShareAJournal) {
  const std::string date = "08.12.2026";
  std::set<std::string> left_behind;
  for (unsigned s = 0; s < 97; ++s) {
    left_behind.insert(JournalPath(dir_.string(), date, s));
    std::ofstream(JournalPath(dir_.string(), date, s), std::ios::binary) << "[x]\r\n";
  }
  const ProfileFile test = MakeTestFile();
  constexpr int kPrograms = 20;
  std::vector<std::unique_ptr<FolderOs>> systems;
  std::vector<std::unique_ptr<AnswerJournal>> journals;
  for (int i = 0; i < kPrograms; ++i) {
    systems.push_back(std::make_unique<FolderOs>(dir_.string(), date));
    journals.push_back(std::make_unique<AnswerJournal>(*systems.back(), dir_.string()));
  }
  std::latch start(kPrograms);
  std::vector<std::string> errors(kPrograms);
  {
    std::vector<std::jthread> threads;
    threads.reserve(kPrograms);
    for (int i = 0; i < kPrograms; ++i)
      threads.emplace_back([&, i] {
        start.arrive_and_wait();
        try {
          // Program i answers question i + 1 only.
          journals[static_cast<std::size_t>(i)]->Record(&test, i + 1, i % 4);
        } catch (const std::exception& e) {
          errors[static_cast<std::size_t>(i)] = e.what();
        }
      });
  }
  std::set<std::string> paths;
  for (int i = 0; i < kPrograms; ++i) {
    const AnswerJournal& journal = *journals[static_cast<std::size_t>(i)];
    EXPECT_EQ(errors[static_cast<std::size_t>(i)], "");
    paths.insert(journal.Path());
    EXPECT_EQ(left_behind.count(journal.Path()), 0u) << journal.Path();
    const ProfileDocument content(Get(journal.Path()));
    const std::vector<std::string_view> sections = content.SectionNames();
    EXPECT_EQ(std::vector<std::string>(sections.begin(), sections.end()),
              std::vector<std::string>{JournalSection(i + 1)})
        << journal.Path();
  }
  EXPECT_EQ(paths.size(), static_cast<std::size_t>(kPrograms));
  for (const std::string& path : left_behind) EXPECT_EQ(Get(path), "[x]\r\n");
}

#ifndef _WIN32
// The journal holds a student's answers in plain text: it and the files that
// replace it are the user's alone, whatever the umask.
TEST_F(Journal, TheJournalAndItsReplacementsAreReadableByTheUserAlone) {
  for (const mode_t mask : {mode_t{0}, mode_t{022}}) {
    const mode_t old_mask = ::umask(mask);
    const stdfs::path folder = dir_ / ("umask" + std::to_string(mask));
    stdfs::create_directory(folder);
    FolderOs os(folder.string(), "08.12.2026");
    AnswerJournal journal(os, folder.string());
    // Long question texts make each replacement take a while, so that the
    // watcher below sees the new file before it takes the journal's place.
    ProfileDocument doc;
    doc.Set("qw 1", "QwText", Cr(std::string(1500, 'x')));
    const std::string test_path = (dir_ / "long.DLL").string();
    doc.SaveAs(test_path);
    const ProfileFile test(test_path);

    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, folder.c_str(), IN_CREATE), 0);
    std::vector<std::pair<std::string, mode_t>> seen;
    std::jthread watcher([&] {
      alignas(inotify_event) char buffer[4096];
      for (bool done = false; !done;) {
        const ssize_t n = ::read(watch, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
          const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
          const std::string name = event->len > 0 ? event->name : "";
          if (name == "stop") done = true;
          struct stat st {};
          if (!name.empty() && name != "stop" && ::stat((folder / name).c_str(), &st) == 0)
            seen.emplace_back(name, st.st_mode & 0777);
          at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
      }
    });
    for (int n = 1; n <= 200; ++n) journal.Record(&test, n, n % 4);
    std::ofstream((folder / "stop").string()) << "";
    watcher.join();
    ::close(watch);
    ::umask(old_mask);

    struct stat st {};
    ASSERT_EQ(::stat(journal.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "umask " << mask;
    int temporaries = 0;
    for (const auto& [name, mode] : seen) {
      if (name.find(".~") != std::string::npos) ++temporaries;
      EXPECT_EQ(mode, 0600u) << name << " under umask " << mask;
    }
    EXPECT_GT(temporaries, 0) << "no replacement was seen under umask " << mask;
  }
}
#endif

TEST(JournalLeftovers, OnlyTheTemporariesOfEndedRunsAreRemoved) {
  struct Case {
    const char* name;
    std::optional<std::uint64_t> pid;
  } cases[] = {
      {"tmp08.12.20267.ini.~4321-0", 4321},
      {"tmp12.08.2699.ini.~17-12", 17},
      {"tmp08.12.20267.ini", std::nullopt},  // a journal: never a leftover
      {"tmp08.12.20267.ini.~4321-0.bak", std::nullopt},
      {"tmp08.12.20267.ini.~abc-0", std::nullopt},
      {"tmp08.12.20267.ini.~4321", std::nullopt},
      {"tmp08.12.2026x.ini.~4321-0", std::nullopt},
      {"tmp.ini.~4321-0", std::nullopt},
      {"notes.ini.~4321-0", std::nullopt},
      {"test.DLL.~4321-0", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(JournalLeftoverProcess(c.name), c.pid) << c.name;

  std::random_device rd;
  const stdfs::path dir = stdfs::temp_directory_path() / ("miravel-leftovers-" + std::to_string(rd()));
  stdfs::create_directories(dir);
  // A process id that was certainly running and is no longer: a child that
  // has ended and been waited for.
  std::uint64_t ended = 0;
#ifdef _WIN32
  ended = 0xFFFFFFF0u;  // no such process
#else
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  ended = static_cast<std::uint64_t>(child);
#endif
  const std::uint64_t self = os::System().ProcessId();
  const std::string dead = "tmp08.12.20267.ini.~" + std::to_string(ended) + "-3";
  const std::string mine = "tmp08.12.20267.ini.~" + std::to_string(self) + "-0";
  const std::string foreign = "tmp08.12.20267.ini.~" + std::to_string(ended) + "-3.txt";
  const std::string journal = "tmp08.12.20265.ini";
  for (const std::string& name : {dead, mine, foreign, journal}) std::ofstream((dir / name).string()) << "x";
  stdfs::create_directory(dir / ("tmp08.12.20261.ini.~" + std::to_string(ended) + "-1"));  // a folder

  RemoveJournalLeftovers(os::System(), dir.string(), os::System().FolderEntries(dir.string()));
  EXPECT_FALSE(stdfs::exists(dir / dead));
  for (const std::string& name : {mine, foreign, journal}) EXPECT_TRUE(stdfs::exists(dir / name)) << name;
  EXPECT_TRUE(stdfs::is_directory(dir / ("tmp08.12.20261.ini.~" + std::to_string(ended) + "-1")));
  stdfs::remove_all(dir);
}

TEST_F(Journal, RecordingsByteForByte) {
  const ProfileFile test = MakeTestFile();
  const std::string path = File("tmp08.12.20267.ini");
  ProfileFile journal(path);

  // What is recorded, the right option included, is returned; the file
  // holds the right option's key with nothing in it.
  EXPECT_EQ(RecordAnswer(&test, journal, os_, 1, 1), Answer("Столица Франции?"_w, "Париж"_w, "Париж"_w, 1));
  const std::string q1 = Block(1, "Столица Франции?"_w, "Париж"_w, "", 1);
  EXPECT_EQ(Get(path), q1);

  // No option selected, no answer code: "нет ответа", -1 and "нет".
  EXPECT_EQ(RecordAnswer(&test, journal, os_, 2, -1), Answer("2 + 2 = ?", "нет ответа"_w, "нет"_w, -1));
  const std::string q2 = Block(2, "2 + 2 = ?", "нет ответа"_w, "", -1);
  EXPECT_EQ(Get(path), q1 + q2);

  // Recording question 1 again overwrites its four values in place.
  EXPECT_EQ(RecordAnswer(&test, journal, os_, 1, 3), Answer("Столица Франции?"_w, "Ницца"_w, "Париж"_w, 3));
  const std::string q1_again = Block(1, "Столица Франции?"_w, "Ницца"_w, "", 3);
  EXPECT_EQ(Get(path), q1_again + q2);
  EXPECT_EQ(Get(path).find("Париж"_w), std::string::npos) << "the right option is nowhere in the file";

  // A question the test file has no section for keeps the selected number.
  EXPECT_EQ(RecordAnswer(&test, journal, os_, 7, 2), Answer("НЕТ"_w, "нет ответа"_w, "нет"_w, 2));
  const std::string q7 = Block(7, "НЕТ"_w, "нет ответа"_w, "", 2);
  EXPECT_EQ(Get(path), q1_again + q2 + q7);

  // No test open at all reads as an empty test file.
  EXPECT_EQ(RecordAnswer(nullptr, journal, os_, 3, 0), Answer("НЕТ"_w, "нет ответа"_w, "нет"_w, 0));
  EXPECT_EQ(Get(path), q1_again + q2 + q7 + Block(3, "НЕТ"_w, "нет ответа"_w, "", 0));

  EXPECT_EQ(os_.hidden, std::vector<std::string>(5, path));  // hidden after every recording

  EXPECT_EQ(RecordedOption(journal, 1), 3);
  EXPECT_EQ(RecordedOption(journal, 2), -1);
  EXPECT_EQ(RecordedOption(journal, 7), 2);
  EXPECT_EQ(RecordedOption(journal, 3), 0);
  EXPECT_EQ(RecordedOption(journal, 4), -1);  // never recorded
  EXPECT_EQ(RecordedOption(ProfileFile(File("none.ini")), 1), -1);  // no journal yet
}

// The run keeps its own record of every answer, the right option included,
// while the file on disk holds none: also the file a killed run leaves, which
// is the file as it stands after the last recording.
TEST_F(Journal, TheRunsRecordHoldsWhatTheFileDoesNot) {
  FolderOs os(dir_.string(), "08.12.2026");
  const ProfileFile test = MakeTestFile();
  AnswerJournal journal(os, dir_.string());
  EXPECT_TRUE(journal.Answers().empty());
  journal.Record(&test, 1, 0);
  journal.Record(&test, 2, 0);
  journal.Record(&test, 1, 3);  // recorded again: the last recording counts
  EXPECT_EQ(journal.Answers(),
            (std::map<std::int32_t, RecordedAnswer>{{1, Answer("Столица Франции?"_w, "Ницца"_w, "Париж"_w, 3)},
                                                    {2, Answer("2 + 2 = ?", "4", "нет"_w, 0)}}));
  EXPECT_EQ(journal.RecordedOption(1), 3);
  EXPECT_EQ(journal.RecordedOption(2), 0);
  EXPECT_EQ(journal.RecordedOption(3), -1);
  const std::string left = Get(journal.Path());
  EXPECT_EQ(left, Block(1, "Столица Франции?"_w, "Ницца"_w, "", 3) + Block(2, "2 + 2 = ?", "4", "", 0));
  EXPECT_EQ(left.find("Париж"_w), std::string::npos);
  EXPECT_FALSE(journal.ChangedBehindTheRun());

  // The option shown again comes from the record, not from the file.
  ProfileFile(journal.Path()).WriteText(JournalSection(1), journal_keys::kGivenOption, "1");
  EXPECT_EQ(journal.RecordedOption(1), 3);
  EXPECT_TRUE(journal.ChangedBehindTheRun());

  // A recording that fails leaves the record as it was.
  const std::string path = journal.Path();
  stdfs::remove(path);
  stdfs::create_directory(path);
  EXPECT_THROW(journal.Record(&test, 2, 1), ProfileWriteError);
  EXPECT_EQ(journal.RecordedOption(2), 0);
  EXPECT_EQ(journal.Answers().size(), 2u);
  stdfs::remove(path);
}

// Whatever changes the file behind the run's back is noticed, also a change
// that the run's later recordings write over; the file left as the run wrote
// it is not.
TEST_F(Journal, AChangeBehindTheRunsBackIsNoticed) {
  const ProfileFile test = MakeTestFile();
  const auto replace = [](std::string text, std::string_view from, std::string_view to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
  };
  const std::string q1 = Block(1, "Столица Франции?"_w, "Ницца"_w, "", 3);
  const std::string q2 = Block(2, "2 + 2 = ?", "4", "", 0);
  struct Case {
    const char* what;
    // Changes the file at `path`, which holds q1 + q2.
    std::function<void(const std::string& path)> change;
    bool changed;
    bool record_again = false;  // question 1 recorded again after the change
  };
  const auto write = [](const std::string& bytes) {
    return [bytes](const std::string& path) { std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes; };
  };
  const Case cases[] = {
      {"untouched", [](const std::string&) {}, false},
      {"rewritten as it was", write(q1 + q2), false},
      // "Ницца" and "Париж" have the same length: the content is compared.
      {"a given answer changed", write(replace(q1, "Ницца"_w, "Париж"_w) + q2), true},
      {"an option number changed", write(replace(q1, "=3", "=1") + q2), true},
      {"a question text changed", write(replace(q1, "Франции"_w, "Испании"_w) + q2), true},
      {"the right option filled in", write(replace(q1, "ВариантЭталон="_w, "ВариантЭталон=Париж"_w) + q2), true},
      {"a section removed", write(q1), true},
      {"a section added", write(q1 + q2 + Block(3, "Q", "A", "A", 0)), true},
      {"a comment added", write(q1 + q2 + "; x\r\n"), true},
      {"the sections reordered", write(q2 + q1), true},
      {"emptied", write(""), true},
      {"removed", [](const std::string& path) { stdfs::remove(path); }, true},
      {"a folder in its place",
       [](const std::string& path) {
         stdfs::remove(path);
         stdfs::create_directory(path);
       },
       true},
      {"changed, then recorded over", write(replace(q1, "Ницца"_w, "Париж"_w) + q2), true, true},
      {"removed, then recorded again", [](const std::string& path) { stdfs::remove(path); }, true, true},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const stdfs::path folder = dir_ / ("case" + std::to_string(number++));
    stdfs::create_directory(folder);
    FolderOs os(folder.string(), "08.12.2026");
    AnswerJournal journal(os, folder.string());
    EXPECT_FALSE(journal.ChangedBehindTheRun()) << "no file yet";
    journal.Record(&test, 1, 3);
    journal.Record(&test, 2, 0);
    ASSERT_EQ(Get(journal.Path()), q1 + q2);
    EXPECT_FALSE(journal.ChangedBehindTheRun());
    c.change(journal.Path());
    if (c.record_again) {
      if (stdfs::is_directory(journal.Path())) stdfs::remove(journal.Path());
      journal.Record(&test, 1, 3);
    }
    EXPECT_EQ(journal.ChangedBehindTheRun(), c.changed);
    EXPECT_EQ(journal.ChangedBehindTheRun(), c.changed) << "asked again";
    // The record is the run's own whatever happened to the file.
    EXPECT_EQ(journal.Answers().at(1), Answer("Столица Франции?"_w, "Ницца"_w, "Париж"_w, 3));
    if (stdfs::is_directory(journal.Path())) stdfs::remove(journal.Path());
  }
}

TEST_F(Journal, AFailedWriteRaisesTheErrorAndNeitherWritesNorHides) {
  const ProfileFile test = MakeTestFile();
  // A journal whose folder is a file: no one can write there.
  const std::string blocker = File("not-a-folder");
  std::ofstream(blocker) << "x";
  ProfileFile nowhere(blocker + "/tmp1.ini");
  try {
    RecordAnswer(&test, nowhere, os_, 1, 1);
    FAIL() << "no error";
  } catch (const ProfileWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + blocker + "/tmp1.ini");
  }
  EXPECT_TRUE(os_.hidden.empty());
}

TEST_F(Journal, AJournalThatCannotBeReplacedStaysAsItWas) {
  const ProfileFile test = MakeTestFile();
  const stdfs::path folder = dir_ / "profile";
  stdfs::create_directory(folder);
  const std::string path = (folder / "tmp08.12.20267.ini").string();
  ProfileFile journal(path);
  RecordAnswer(&test, journal, os_, 1, 1);
  const std::string before = Get(path);
  os_.hidden.clear();

  // The refused recording: the error it raised and how often the journal was
  // hidden.
  const auto record = [&]() -> std::string {
    try {
      RecordAnswer(&test, journal, os_, 2, 0);
      return "no error";
    } catch (const ProfileWriteError& e) {
      return std::string(e.what()) + "; hidden " + std::to_string(os_.hidden.size()) + " times";
    }
  };
#ifdef _WIN32
  // Windows replaces no read-only file.
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string outcome = record();
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
  // A read-only folder takes no new file. Root writes into one all the same,
  // so the recording is made by an unprivileged user who owns the folder and
  // the journal: the folder's mode alone refuses it.
  ASSERT_EQ(unprivileged::Give(folder.string()), "");
  ASSERT_EQ(unprivileged::Give(path), "");
  stdfs::permissions(dir_, stdfs::perms::others_exec, stdfs::perm_options::add);  // the way in, whatever the umask
  stdfs::permissions(folder, stdfs::perms::owner_read | stdfs::perms::owner_exec);
  const unprivileged::Outcome child = unprivileged::Run([&]() -> std::string {
    if (::access(path.c_str(), R_OK) != 0) return "the journal cannot be read: " + std::string(std::strerror(errno));
    if (::access(folder.c_str(), W_OK) == 0) return "the read-only folder takes new files";
    if (RecordedOption(journal, 1) != 1) return "the first answer does not read back";
    return record();
  });
  stdfs::permissions(folder, stdfs::perms::owner_all);
  if (child.status == unprivileged::Outcome::Status::kCannotDropRights)
    GTEST_SKIP() << "root's rights cannot be given up here: " << child.text;
  ASSERT_EQ(child.status, unprivileged::Outcome::Status::kReturned) << child.text;
  const std::string outcome = child.text;
#endif
  EXPECT_EQ(outcome, "Unable to write to " + path + "; hidden 0 times");
  EXPECT_EQ(Get(path), before);
  EXPECT_EQ(RecordedOption(journal, 2), -1);
  int entries = 0;  // and no new file beside it
  for ([[maybe_unused]] const auto& e : stdfs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace miravel::testdata
