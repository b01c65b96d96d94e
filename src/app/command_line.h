// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: `miravel [--] [TEST_FILE]`. A test file named
// there (for example by a desktop shortcut) is where the «Открыть» dialog
// starts; nothing else is read from the command line, and Qt is given none
// of it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace miravel::app {

// The test file named by the arguments after the program's name: the only
// argument, unless it is empty or starts with "-" (an option, such as one of
// Qt's: a file whose name starts with "-" is named after "--" or as
// "./-name"); or the one argument after "--". Any other command line names
// none, and changes nothing.
inline std::optional<std::string> TestFileArgument(int argc, const char* const* argv) {
  if (argc == 2) {
    const std::string_view file = argv[1];
    if (!file.empty() && file.front() != '-') return std::string(file);
  } else if (argc == 3 && std::string_view(argv[1]) == "--" && argv[2][0] != '\0') {
    return std::string(argv[2]);
  }
  return std::nullopt;
}

}  // namespace miravel::app
