// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/os_services.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include "hidden_mark.h"
#include "platform/cp1251.h"
#include "platform/profile_file.h"
#include "testdata/journal.h"
#else
#include <locale.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testdata/journal.h"
#endif

namespace miravel::os {
namespace {

namespace stdfs = std::filesystem;

#ifndef _WIN32

// Sets an environment variable (or removes it) for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// The short date forms of the C locale and of the Russian one.
enum class Form { kC, kRussian };

// Today in `form`, by the program's own (C) locale.
std::string Today(Form form) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char buffer[64];
  const int month = local.tm_mon + 1;
  const int year = local.tm_year + 1900;
  if (form == Form::kC) std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d", month, local.tm_mday, year % 100);
  else std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", local.tm_mday, month, year);
  return buffer;
}

// ShortDateText with the time locale chosen by the environment; the date is
// taken before and after, so a call at midnight matches one of them.
struct DateCall {
  std::string before, text, after;
};
DateCall ShortDateWith(const char* lc_all, const char* lc_time, const char* lang, Form form) {
  const ScopedEnv all("LC_ALL", lc_all);
  const ScopedEnv time("LC_TIME", lc_time);
  const ScopedEnv language("LANG", lang);
  DateCall call;
  call.before = Today(form);
  call.text = SystemServices().ShortDateText();
  call.after = Today(form);
  return call;
}

bool LocaleInstalled(const char* name) {
  const locale_t locale = ::newlocale(LC_TIME_MASK, name, locale_t{});
  if (locale == locale_t{}) return false;
  ::freelocale(locale);
  return true;
}

// $HOME when it names an absolute path; the account database otherwise.
TEST(OsServices, ProfileFolderIsHomeWhenSetElseTheAccounts) {
  const passwd* entry = ::getpwuid(::getuid());
  ASSERT_NE(entry, nullptr);
  const std::string account = entry->pw_dir;
  struct Case {
    const char* home;
    std::string expected;
  } cases[] = {
      {"/some/where", "/some/where"}, {"/", "/"}, {nullptr, account}, {"", account}, {"relative/home", account},
  };
  for (const auto& c : cases) {
    const ScopedEnv home("HOME", c.home);
    EXPECT_EQ(SystemServices().ProfileFolder(), c.expected) << (c.home ? c.home : "(unset)");
  }
}

// The journal of a run goes to $HOME.
TEST(OsServices, TheJournalIsMadeInHome) {
  std::random_device rd;
  const stdfs::path home = stdfs::temp_directory_path() / ("miravel-home-" + std::to_string(rd()));
  stdfs::create_directories(home);
  {
    const ScopedEnv env("HOME", home.c_str());
    SystemServices os;
    testdata::AnswerJournal journal(os, os.ProfileFolder());
    journal.Record(nullptr, 1, 0);
    EXPECT_EQ(stdfs::path(journal.Path()).parent_path(), home);
    EXPECT_TRUE(stdfs::is_regular_file(journal.Path()));
  }
  stdfs::remove_all(home);
}

TEST(OsServices, CreateExclusiveOwnsTheName) {
  std::random_device rd;
  const stdfs::path dir = stdfs::temp_directory_path() / ("miravel-create-" + std::to_string(rd()));
  stdfs::create_directories(dir);
  SystemServices os;
  const std::string path = (dir / "a.ini").string();
  EXPECT_EQ(os.CreateExclusive(path), Services::Creation::kCreated);
  EXPECT_EQ(stdfs::file_size(path), 0u);
  EXPECT_EQ(os.CreateExclusive(path), Services::Creation::kTaken);
  stdfs::create_directory(dir / "folder");
  EXPECT_EQ(os.CreateExclusive((dir / "folder").string()), Services::Creation::kTaken);
  stdfs::create_symlink(dir / "elsewhere.ini", dir / "link.ini");  // dangling: never followed
  EXPECT_EQ(os.CreateExclusive((dir / "link.ini").string()), Services::Creation::kTaken);
  EXPECT_FALSE(stdfs::exists(dir / "elsewhere.ini"));
  EXPECT_EQ(os.CreateExclusive((dir / "none" / "a.ini").string()), Services::Creation::kFailed);

  // One listing: every name, and which are regular files.
  std::ofstream((dir / "b.txt").string()) << "b";
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  std::set<std::pair<std::string, bool>> entries;
  for (const auto& entry : os.FolderEntries(dir.string())) entries.emplace(entry.name, entry.regular);
  EXPECT_EQ(entries, (std::set<std::pair<std::string, bool>>{
                         {"a.ini", true}, {"b.txt", true}, {"folder", false}, {"link.ini", false}, {"pipe", false}}));
  EXPECT_TRUE(os.FolderEntries((dir / "none").string()).empty());

  EXPECT_TRUE(os.ProcessRunning(os.ProcessId()));
  EXPECT_FALSE(os.ProcessRunning(0));
  stdfs::remove_all(dir);
}

TEST(OsServices, ShortDateFollowsTheTimeLocaleOfTheEnvironment) {
  struct Case {
    const char* what;
    const char* lc_all;
    const char* lc_time;
    const char* lang;
  } cases[] = {
      {"LC_ALL=C", "C", nullptr, nullptr},
      {"LC_TIME=C", nullptr, "C", nullptr},
      {"nothing set", nullptr, nullptr, nullptr},
      // A locale that cannot be made falls back to the C locale.
      {"unknown locale", "xx_XX.NOSUCH", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const DateCall call = ShortDateWith(c.lc_all, c.lc_time, c.lang, Form::kC);
    EXPECT_TRUE(call.text == call.before || call.text == call.after) << c.what << ": " << call.text;
    EXPECT_EQ(call.text.size(), 8u) << c.what;
  }
  // The program's own locale is left alone.
  EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C");
}

TEST(OsServices, ShortDateInRussianLocale) {
  const char* name = nullptr;
  for (const char* candidate : {"ru_RU.UTF-8", "ru_RU.utf8", "ru_RU.CP1251", "ru_RU"})
    if (LocaleInstalled(candidate)) {
      name = candidate;
      break;
    }
  if (name == nullptr) GTEST_SKIP() << "no ru_RU locale installed (scripts/setup.sh generates ru_RU.UTF-8)";
  // LC_TIME wins over LANG; LC_ALL wins over both.
  for (const auto& call :
       {ShortDateWith(nullptr, name, "C", Form::kRussian), ShortDateWith(name, "C", "C", Form::kRussian)}) {
    EXPECT_TRUE(call.text == call.before || call.text == call.after) << call.text;
    EXPECT_EQ(call.text.size(), 10u);
  }
  EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C");
}

#endif  // !_WIN32

TEST(OsServices, FileExistsAndRemoveFile) {
  std::random_device rd;
  const stdfs::path dir = stdfs::temp_directory_path() / ("miravel-os-" + std::to_string(rd()));
  stdfs::create_directories(dir);
  const std::string file = (dir / "tmp1.ini").string();
  std::ofstream(file) << "[s]\nk=v\n";
  SystemServices os;

  EXPECT_TRUE(os.FileExists(file));
  EXPECT_FALSE(os.FileExists(dir.string()));  // a folder is no file
  EXPECT_FALSE(os.FileExists((dir / "none.ini").string()));

#ifndef _WIN32
  os.SetHidden(file);  // no such mark here: the file stays as it was
  EXPECT_TRUE(os.FileExists(file));
  EXPECT_EQ(stdfs::file_size(file), 8u);
#endif

  os.RemoveFile(file);
  EXPECT_FALSE(os.FileExists(file));
  os.RemoveFile(file);  // a failure is not reported
  os.RemoveFile(dir.string());
  EXPECT_TRUE(stdfs::is_directory(dir));
  stdfs::remove_all(dir);
}

TEST(OsServices, RandomStaysBelowTheBoundAndIsSeededFromTheClock) {
  SystemServices os;
  EXPECT_EQ(os.Random(0), 0u);
  EXPECT_EQ(os.Random(1), 0u);
  std::set<unsigned> seen;
  for (int i = 0; i < 10000; ++i) {
    const unsigned v = os.Random(100);
    ASSERT_LT(v, 100u);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 100u);  // every value comes up in 10,000 draws

  // Two generators made one after the other draw different sequences.
  SystemServices first;
  SystemServices second;
  std::string a, b;
  for (int i = 0; i < 8; ++i) {
    a += std::to_string(first.Random(1000)) + " ";
    b += std::to_string(second.Random(1000)) + " ";
  }
  EXPECT_NE(a, b);

  EXPECT_EQ(&System(), &System());
}

#ifdef _WIN32

TEST(WindowsServices, ProfileFolderIsTheShellsAndExists) {
  const std::string folder = SystemServices().ProfileFolder();
  ASSERT_FALSE(folder.empty());
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << folder;
  EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, DWORD{0}) << folder;
  // The shell sets USERPROFILE to the same folder for every program.
  const char* environment = std::getenv("USERPROFILE");
  ASSERT_NE(environment, nullptr);
  EXPECT_TRUE(cp1251::EqualsIgnoringCase(folder, environment)) << folder << " / " << environment;
}

// `when` written in a date picture of Windows (d, dd, M, MM, y, yy, yyyy,
// quoted and other literal text); nothing for a picture with anything else
// (day or month names, eras).
std::optional<std::string> InPicture(const std::string& picture, const SYSTEMTIME& when) {
  const auto number = [](unsigned value, bool two_digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, two_digits ? "%02u" : "%u", value);
    return std::string(buffer);
  };
  std::string out;
  for (std::size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    if (c == '\'') {
      const std::size_t end = picture.find('\'', i + 1);
      if (end == std::string::npos) return std::nullopt;
      out += end == i + 1 ? std::string("'") : picture.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    if (c == 'd' && run <= 2) out += number(when.wDay, run == 2);
    else if (c == 'M' && run <= 2) out += number(when.wMonth, run == 2);
    else if (c == 'y') out += run <= 2 ? number(when.wYear % 100u, run == 2) : number(when.wYear, false);
    else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return std::nullopt;
    else out.append(run, c);
    i += run;
  }
  return out;
}

TEST(WindowsServices, ShortDateIsTodayInTheLocalesShortDateForm) {
  char picture[128] = {};
  ASSERT_GT(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture, sizeof picture), 0);
  SYSTEMTIME before{}, after{};
  GetLocalTime(&before);
  const std::string text = SystemServices().ShortDateText();
  GetLocalTime(&after);  // a call at midnight matches one of the two
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find_first_of("0123456789"), std::string::npos) << text;
  const auto expected_before = InPicture(picture, before);
  if (expected_before) {
    EXPECT_TRUE(text == *expected_before || text == InPicture(picture, after)) << text << " in " << picture;
  } else {
    // Names in the picture: at least its separators are there.
    for (const char c : std::string(picture)) {
      if (c == '/' || c == '.' || c == '-') {
        EXPECT_NE(text.find(c), std::string::npos) << text << " in " << picture;
      }
    }
  }
}

// The journal of a run, through the real system in the real profile folder:
// hidden alone after every recording, replaced while hidden, deleted at the
// end.
TEST(WindowsServices, TheJournalIsHiddenAloneAfterEveryRecording) {
  SystemServices os;
  const std::string folder = os.ProfileFolder();
  ASSERT_FALSE(folder.empty());

  const DWORD hidden_alone = miravel::testing_support::HiddenAloneReadsAs(folder);
  ASSERT_NE(hidden_alone, INVALID_FILE_ATTRIBUTES);
  if ((hidden_alone & FILE_ATTRIBUTE_HIDDEN) == 0)
    GTEST_SKIP() << "the file system of " << folder << " keeps no hidden mark (attributes read back as " << hidden_alone
                 << "; Wine keeps it in the user.DOSATTRIB extended attribute)";
  EXPECT_EQ(hidden_alone & ~DWORD{FILE_ATTRIBUTE_ARCHIVE}, DWORD{FILE_ATTRIBUTE_HIDDEN});

  testdata::AnswerJournal journal(os, folder);
  struct Cleanup {
    const testdata::AnswerJournal& journal;
    ~Cleanup() {
      SetFileAttributesA(journal.Path().c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(journal.Path().c_str());
    }
  } cleanup{journal};
  journal.Record(nullptr, 1, 2);
  const std::string path = journal.Path();
  EXPECT_EQ(GetFileAttributesA(path.c_str()), hidden_alone);
  // Created exclusively: the name is taken for anyone else.
  EXPECT_EQ(os.CreateExclusive(path), Services::Creation::kTaken);

  // Recording over the hidden file works, and any other mark goes.
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  journal.Record(nullptr, 2, 0);
  journal.Record(nullptr, 1, 3);
  EXPECT_EQ(GetFileAttributesA(path.c_str()), hidden_alone);
  EXPECT_EQ(journal.RecordedOption(1), 3);
  EXPECT_EQ(journal.RecordedOption(2), 0);
  WIN32_FIND_DATAA found{};
  const HANDLE leftovers = FindFirstFileA((path + ".~*").c_str(), &found);
  EXPECT_EQ(leftovers, INVALID_HANDLE_VALUE) << found.cFileName;
  if (leftovers != INVALID_HANDLE_VALUE) FindClose(leftovers);

  // Deleted at the end, hidden as it is.
  EXPECT_TRUE(journal.Exists());
  journal.Remove();
  EXPECT_FALSE(os.FileExists(path));
}

#endif  // _WIN32

}  // namespace
}  // namespace miravel::os
