// SPDX-License-Identifier: GPL-3.0-or-later
// The fit check of a test just made: miravel-preview, when it is installed,
// shows the test with the program's windows and names every text that does
// not fit its place on the screen; each becomes a warning at the source line
// of that text. The test file is made in any case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "authoring.h"

namespace miravel::make {

// The part of `miravel-make --help` about it, in the user's language.
std::string FitCheckHelp();

// The installed miravel-preview: beside this program, else the first on
// PATH; nothing when there is none (or on Windows, where the check is not
// run).
std::optional<std::string> FindPreview();

// Runs `preview --check test_path` and gives a warning for each text it
// names, at the line of `source` (the parsed source of that test) where the
// text is given. A preview that does not run to its end gives one warning
// of the whole source.
std::vector<authoring::Diagnostic> CheckFit(const std::string& preview, const std::string& test_path,
                                            const authoring::TestSource& source);

// The warning for one line of miravel-preview's report ("question 7: option
// C: 23 characters of 61 hidden"); nothing for a line of another form or a
// text the source does not have.
std::optional<authoring::Diagnostic> FitWarning(std::string_view report_line, const authoring::TestSource& source);

}  // namespace miravel::make
