// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: which arguments name the test file that the
// «Открыть» dialog starts with, and which name none.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace miravel::app {
namespace {

struct Case {
  const char* what;
  std::vector<const char*> args;  // after the program's name
  std::optional<std::string> file;
};

TEST(TestFileArgument, OnlyAFileAloneOrAfterDoubleDashIsTaken) {
  const Case cases[] = {
      {"no argument", {}, std::nullopt},
      {"a file", {"/home/ученик/тесты/history.DLL"}, "/home/ученик/тесты/history.DLL"},
      {"a relative name", {"history.DLL"}, "history.DLL"},
      {"a name with spaces", {"Мои тесты/урок 1.DLL"}, "Мои тесты/урок 1.DLL"},
      {"a file after --", {"--", "-odd name.DLL"}, "-odd name.DLL"},
      {"an empty argument", {""}, std::nullopt},
      {"an empty argument after --", {"--", ""}, std::nullopt},
      {"-- alone", {"--"}, std::nullopt},
      {"a Qt option", {"-platform", "xcb"}, std::nullopt},
      {"a Qt option with its value in it", {"-style=fusion"}, std::nullopt},
      {"a Qt option before a file", {"-reverse", "history.DLL"}, std::nullopt},
      {"an option alone", {"--help"}, std::nullopt},
      {"two files", {"a.DLL", "b.DLL"}, std::nullopt},
      {"two files after --", {"--", "a.DLL", "b.DLL"}, std::nullopt},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"miravel"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    argv.push_back(nullptr);
    EXPECT_EQ(TestFileArgument(static_cast<int>(c.args.size()) + 1, argv.data()), c.file) << c.what;
  }
}

}  // namespace
}  // namespace miravel::app
