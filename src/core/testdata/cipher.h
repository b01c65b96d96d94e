// SPDX-License-Identifier: GPL-3.0-or-later
// The text cipher of test files and the one-symbol answer code.
//
// Texts are enciphered byte by byte with the fixed key "qelmat": byte p of a
// text (counted from 0) is paired with key byte (p + 1) mod 6. EnCr adds the
// key byte, Cr subtracts it, both modulo 256; the length never changes.
//
// Answer codes: option 0 "@", 1 "&", 2 "%", 3 "#"; "r" means that no option
// is the correct one.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/cp1251.h"

namespace miravel::testdata {

inline constexpr std::string_view kCipherKey = "qelmat";

// Encodes a text (subtracts the key).
Text Cr(std::string_view text);
// Decodes a text (adds the key).
Text EnCr(std::string_view text);

// The answer code of an option number 0..3. A number above 3 has no code of
// its own and gives "r", the code of "no correct option".
Text Crypt(std::uint8_t option);
// The option number an answer code stands for: only its first byte counts.
// "@" 0, "&" 1, "%" 2, "#" 3, "r" -1. An empty code, or one whose first byte
// is none of these, gives -1 as well: no option is the correct one.
int EnCrypt(std::string_view code);

}  // namespace miravel::testdata
