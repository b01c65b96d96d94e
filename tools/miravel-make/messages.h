// SPDX-License-Identifier: GPL-3.0-or-later
// The messages of miravel-make and miravel-preview in the user's language
// (authoring/messages.h: Tr, TrNoop, Format). They are looked up, where the
// C library has gettext, in the catalogue of the text domain "miravel-make"
// (po/ru.po, compiled into share/locale/ru/LC_MESSAGES/miravel-make.mo).
// Without a catalogue, or where there is no gettext (the Windows build),
// they stay English.
#pragma once

#include "authoring/messages.h"

namespace miravel::authoring {

inline constexpr char kTextDomain[] = "miravel-make";

// Takes the language of messages from the environment (setlocale(LC_ALL, "")
// with LANGUAGE, LC_ALL, LC_MESSAGES, LANG as usual), finds the catalogues
// in share/locale beside the program's folder ("../share/locale" from it:
// /usr/share/locale for /usr/bin/miravel-make, and the build tree's own copy
// for the program in the build tree) and makes Tr look messages up there.
// Messages are written as UTF-8, like the texts of sources that they quote.
void UseSystemLanguage();

}  // namespace miravel::authoring
