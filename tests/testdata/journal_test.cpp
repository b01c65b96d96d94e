#include "testdata/journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
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

  std::string ProfileFolder() override {
    return profile;
  }
  std::string ShortDateText() override {
    ++date_calls;
    return date;
  }
  bool FileExists(const std::string& path) override { return existing.count(path) != 0; }
  void RemoveFile(const std::string& path) override { existing.erase(path); }
  void SetHidden(const std::string& path) override { hidden.push_back(path); }
  unsigned Random(unsigned bound) override {
    random_bounds.push_back(bound);
    return random_result;
  }
};

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
    return "[" + JournalSection(n) + "]\r\n" + std::string("Текст вопроса="_w) + std::string(question) +
           "\r\n" + std::string("ВариантДан="_w) + std::string(given) + "\r\n" +
           std::string("ВариантЭталон="_w) + std::string(reference) + "\r\n" +
           std::string("ВариантДанНомер="_w) + std::to_string(option) + "\r\n";
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
      {"/h", std::string("\x01\t\x1F \x7F", 5), 1, "/h/tmp... \x7F" "1.ini"},
      {"/h", std::string("8 дек. 2026 г."_w), 3, "/h/tmp" + std::string("8 дек. 2026 г."_w) + "3.ini"},
      {"/h", "", 4, "/h/tmp4.ini"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(JournalPath(Native(c.profile), c.date, c.suffix), Native(c.path)) << c.date;
  EXPECT_EQ(JournalSection(12), "Вопрос№12"_w);
}

TEST(JournalName, SuffixIsDrawnOnceAmongTheFreeNumbers) {
  struct Case {
    const char* what;
    std::set<unsigned> existing;
    unsigned drawn_index;
    unsigned bound;      // what the generator is asked for
    unsigned expected;
  } cases[] = {
      {"none exist, first", {}, 0, 100, 0},
      {"none exist, last", {}, 99, 100, 99},
      {"none exist, middle", {}, 42, 100, 42},
      {"some exist, first free", {0, 1, 2, 50}, 0, 96, 3},
      {"some exist, skips 50", {0, 1, 2, 50}, 47, 96, 51},
      {"some exist, last free", {0, 1, 2, 50}, 95, 96, 99},
      {"one free", [] { std::set<unsigned> s; for (unsigned i = 0; i < 100; ++i) if (i != 63) s.insert(i); return s; }(), 0, 1, 63},
      {"all exist", [] { std::set<unsigned> s; for (unsigned i = 0; i < 100; ++i) s.insert(i); return s; }(), 77, 100, 77},
  };
  for (const auto& c : cases) {
    std::vector<unsigned> bounds;
    const auto drawn = DrawJournalSuffix(
        [&](unsigned bound) {
          bounds.push_back(bound);
          return c.drawn_index;
        },
        [&](std::uint8_t s) { return c.existing.count(s) != 0; });
    EXPECT_EQ(drawn, c.expected) << c.what;
    EXPECT_EQ(bounds, std::vector<unsigned>{c.bound}) << c.what;
  }

  // Whatever the generator gives, a number whose journal exists is never
  // drawn while another is free.
  std::set<unsigned> drawn;
  for (unsigned index = 0; index < 50; ++index)
    drawn.insert(DrawJournalSuffix([&](unsigned) { return index; }, [](std::uint8_t s) { return s % 2 == 0; }));
  EXPECT_EQ(drawn.size(), 50u);
  for (const unsigned s : drawn) EXPECT_EQ(s % 2, 1u) << s;
}

TEST_F(Journal, SetUpAvoidsExistingJournalsAndMendsTheDate) {
  os_.profile = dir_.string();
  os_.date = "12/08/26";  // a short date form with path separators
  for (unsigned s = 0; s < 5; ++s) os_.existing.insert(JournalPath(os_.profile, os_.date, s));
  os_.random_result = 0;
  const JournalSetup setup = SetUpJournal(os_, os_.profile);
  EXPECT_EQ(setup.suffix, 5);
  EXPECT_EQ(setup.path, File("tmp12.08.265.ini"));
  EXPECT_EQ(os_.random_bounds, std::vector<unsigned>{95});
  EXPECT_EQ(os_.date_calls, 1);
  EXPECT_FALSE(stdfs::exists(setup.path));  // nothing is created yet

  // Recording works: the date names no folders.
  ProfileFile journal(setup.path);
  const ProfileFile test = MakeTestFile();
  RecordAnswer(&test, journal, os_, 1, 1);
  EXPECT_TRUE(stdfs::is_regular_file(setup.path));
}

TEST_F(Journal, RecordingsByteForByte) {
  const ProfileFile test = MakeTestFile();
  const std::string path = File("tmp08.12.20267.ini");
  ProfileFile journal(path);

  RecordAnswer(&test, journal, os_, 1, 1);
  const std::string q1 = Block(1, "Столица Франции?"_w, "Париж"_w, "Париж"_w, 1);
  EXPECT_EQ(Get(path), q1);

  // No option selected, no answer code: "нет ответа", -1 and "нет".
  RecordAnswer(&test, journal, os_, 2, -1);
  const std::string q2 = Block(2, "2 + 2 = ?", "нет ответа"_w, "нет"_w, -1);
  EXPECT_EQ(Get(path), q1 + q2);

  // Recording question 1 again overwrites its four values in place.
  RecordAnswer(&test, journal, os_, 1, 3);
  const std::string q1_again = Block(1, "Столица Франции?"_w, "Ницца"_w, "Париж"_w, 3);
  EXPECT_EQ(Get(path), q1_again + q2);

  // A question the test file has no section for keeps the selected number.
  RecordAnswer(&test, journal, os_, 7, 2);
  const std::string q7 = Block(7, "НЕТ"_w, "нет ответа"_w, "нет"_w, 2);
  EXPECT_EQ(Get(path), q1_again + q2 + q7);

  // No test open at all reads as an empty test file.
  RecordAnswer(nullptr, journal, os_, 3, 0);
  EXPECT_EQ(Get(path), q1_again + q2 + q7 + Block(3, "НЕТ"_w, "нет ответа"_w, "нет"_w, 0));

  EXPECT_EQ(os_.hidden, std::vector<std::string>(5, path));  // hidden after every recording

  EXPECT_EQ(RecordedOption(journal, 1), 3);
  EXPECT_EQ(RecordedOption(journal, 2), -1);
  EXPECT_EQ(RecordedOption(journal, 7), 2);
  EXPECT_EQ(RecordedOption(journal, 3), 0);
  EXPECT_EQ(RecordedOption(journal, 4), -1);  // never recorded
  EXPECT_EQ(RecordedOption(ProfileFile(File("none.ini")), 1), -1);  // no journal yet
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

#ifdef _WIN32
  // Windows replaces no read-only file.
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  const auto restore = [&] { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL); };
#else
  // A read-only folder takes no new file.
  stdfs::permissions(folder, stdfs::perms::owner_read | stdfs::perms::owner_exec);
  const auto restore = [&] { stdfs::permissions(folder, stdfs::perms::owner_all); };
  if (::access(folder.c_str(), W_OK) == 0) {
    restore();
    GTEST_SKIP() << "this user can write to read-only folders";
  }
#endif
  os_.hidden.clear();
  try {
    RecordAnswer(&test, journal, os_, 2, 0);
    FAIL() << "no error";
  } catch (const ProfileWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
  }
  restore();
  EXPECT_EQ(Get(path), before);
  EXPECT_TRUE(os_.hidden.empty());
  EXPECT_EQ(RecordedOption(journal, 2), -1);
  int entries = 0;  // and no new file beside it
  for ([[maybe_unused]] const auto& e : stdfs::directory_iterator(folder)) ++entries;
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace miravel::testdata
