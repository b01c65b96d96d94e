// SPDX-License-Identifier: GPL-3.0-or-later
// The fit check of a test just made: where the build has the windows, the
// test is shown with them (in-process, without a display) and every text
// that does not fit its place on the screen becomes a warning at the source
// line of that text. The test file is made in any case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "authoring/parser.h"

namespace miravel::make {

// The part of `miravel-make --help` about it, in the user's language.
std::string FitCheckHelp();

// A text of a test that its place on the screen does not show whole.
struct HiddenText {
  enum class Place { kTitle, kDescription, kComments, kQuestionText, kOption };
  Place place = Place::kTitle;
  std::int32_t question = 0;  // 1 and up; 0 for the header's texts
  std::size_t option = 0;  // 0..3, for kOption
  int hidden = 0;  // characters hidden
  int total = 0;  // characters of the text
};

// Shows the test file `test_path` and gives a warning for each text that
// does not fit, at the line of `source` (the parsed source of that test)
// where the text is given. A check that cannot be done gives one warning of
// the whole source. A build without the windows checks nothing.
std::vector<authoring::Diagnostic> CheckFit(const std::string& test_path, const authoring::TestSource& source);

// The warning for one text that does not fit; nothing for a text the source
// does not have.
std::optional<authoring::Diagnostic> FitWarning(const HiddenText& text, const authoring::TestSource& source);

#if MIRAVEL_FIT_CHECK
// Every text of the test file `test_path` that does not fit, in the order
// the screens show them (screen_check.cpp). Throws std::exception when the
// test cannot be shown.
std::vector<HiddenText> HiddenTexts(const std::string& test_path);
#endif

}  // namespace miravel::make
