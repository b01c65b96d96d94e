#include "platform/os_services.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>

#include <locale.h>
#include <pwd.h>
#include <unistd.h>

namespace miravel::os {
namespace {

namespace stdfs = std::filesystem;

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

TEST(OsServices, ProfileFolderIsTheAccountsHomeNotTheEnvironments) {
  const passwd* entry = ::getpwuid(::getuid());
  ASSERT_NE(entry, nullptr);
  const std::string home = entry->pw_dir;
  const ScopedEnv fake_home("HOME", "/nonexistent-home");
  EXPECT_EQ(SystemServices().ProfileFolder(), home);
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
  if (name == nullptr) GTEST_SKIP() << "no ru_RU locale installed";
  // LC_TIME wins over LANG; LC_ALL wins over both.
  for (const auto& call : {ShortDateWith(nullptr, name, "C", Form::kRussian),
                           ShortDateWith(name, "C", "C", Form::kRussian)}) {
    EXPECT_TRUE(call.text == call.before || call.text == call.after) << call.text;
    EXPECT_EQ(call.text.size(), 10u);
  }
  EXPECT_STREQ(std::setlocale(LC_TIME, nullptr), "C");
}

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

  os.SetHidden(file);  // no such mark here: the file stays as it was
  EXPECT_TRUE(os.FileExists(file));
  EXPECT_EQ(stdfs::file_size(file), 8u);

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

}  // namespace
}  // namespace miravel::os
