// SPDX-License-Identifier: GPL-3.0-or-later
// The messages of the authoring library and of the tools built on it. They
// are written in English in the code and looked up in the user's language
// by the translator that the program installs (miravel-make's is gettext,
// tools/miravel-make/messages.h); without one they stay English.
//
// A message is marked for xgettext by Tr("...") (or TrNoop("...") where it is
// looked up later); its "%s" and "%N$s" are filled in by Format.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace miravel::authoring {

// Gives the message in the user's language, or the message itself.
using Translator = const char* (*)(const char* message);

// Installs the translator of every later Tr; nullptr for none.
void SetTranslator(Translator translator);

// The message in the user's language; the message itself when there is no
// translation.
const char* Tr(const char* message);

// Marks a message for the catalogue without looking it up.
constexpr const char* TrNoop(const char* message) { return message; }

// `pattern` with every "%s" replaced by the next argument, every "%N$s" by
// the Nth (counted from 1, for translations that change the order) and "%%"
// by "%". A placeholder without its argument is left as it is.
std::string FormatList(std::string_view pattern, std::initializer_list<std::string_view> args);

template <class... Args>
std::string Format(std::string_view pattern, const Args&... args) {
  return FormatList(pattern, {std::string_view(args)...});
}

}  // namespace miravel::authoring
