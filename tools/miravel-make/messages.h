// SPDX-License-Identifier: GPL-3.0-or-later
// The messages of miravel-make in the user's language. They are written in
// English in the code and looked up, where the C library has gettext, in the
// catalogue of the text domain "miravel-make" (po/ru.po, compiled into
// share/locale/ru/LC_MESSAGES/miravel-make.mo). Without a catalogue, or where
// there is no gettext (the Windows build), they stay English.
//
// A message is marked for xgettext by Tr("...") (or TrNoop("...") where it is
// looked up later); its "%s" and "%N$s" are filled in by Format.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace miravel::authoring {

inline constexpr char kTextDomain[] = "miravel-make";

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

// Takes the language of messages from the environment (setlocale(LC_ALL, "")
// with LANGUAGE, LC_ALL, LC_MESSAGES, LANG as usual) and finds the
// catalogues in share/locale beside the program's folder ("../share/locale"
// from it: /usr/share/locale for /usr/bin/miravel-make, and the build tree's
// own copy for the program in the build tree). Messages are written as UTF-8,
// like the texts of sources that they quote.
void UseSystemLanguage();

}  // namespace miravel::authoring
