// SPDX-License-Identifier: GPL-3.0-or-later
// Prints a test file back as source text. The decoder writes every text in
// the form that the parser reads back as that text (text.h), so that
// compiling its output gives the file back.
#pragma once

#include <string>
#include <string_view>

#include "platform/profile_file.h"

namespace miravel::authoring {

// Prints a test file as source text (UTF-8, LF line ends). Compiling the
// result of a file this tool made gives that file back byte for byte. What a
// file made elsewhere lacks or holds in an unexpected form is told in "#"
// comments. `name` is shown in the first comment line; empty for none.
std::string Decode(const ProfileDocument& file, std::string_view name = {});
std::string Decode(const ProfileFile& file, std::string_view name = {});

}  // namespace miravel::authoring
