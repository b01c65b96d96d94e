// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cp1251.h"

#include <gtest/gtest.h>

#include <string>

namespace miravel {
namespace {

using namespace miravel::literals;

TEST(Cp1251, EveryByteSurvivesUnicodeAndBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = cp1251::ToUtf8(all);
  EXPECT_EQ(cp1251::FromUtf8(utf8), all);
  const auto strict = cp1251::FromUtf8Strict(utf8);
  EXPECT_FALSE(strict.problem);
  EXPECT_EQ(strict.text, all);
}

TEST(Cp1251, KnownCharacters) {
  struct Case {
    unsigned char byte;
    char32_t cp;
  } cases[] = {
      {0x41, U'A'}, {0xC0, U'А'}, {0xDF, U'Я'}, {0xE0, U'а'}, {0xFF, U'я'}, {0xA8, U'Ё'},   {0xB8, U'ё'},
      {0xB9, U'№'}, {0x88, U'€'}, {0x97, U'—'}, {0xAB, U'«'}, {0xBB, U'»'}, {0xA0, 0x00A0}, {0x98, 0x0098},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cp1251::ToUnicode(c.byte), c.cp) << int{c.byte};
    EXPECT_EQ(cp1251::FromUnicode(c.cp), c.byte) << int{c.byte};
  }
}

TEST(Cp1251, UnmappableAndMalformedInput) {
  // "ä" and "😀" have no Windows-1251 form; a lone continuation byte and a
  // truncated sequence are malformed. Each becomes one "?".
  EXPECT_EQ(cp1251::FromUtf8("a\xC3\xA4"
                             "b\xF0\x9F\x98\x80"
                             "c\x80"
                             "d\xD0"),
            "a?b?c?d?");
  const auto strict = cp1251::FromUtf8Strict("Да ä");
  ASSERT_TRUE(strict.problem);
  EXPECT_EQ(strict.problem->offset, 5u);
  EXPECT_EQ(strict.problem->cp, U'ä');
  const auto bad = cp1251::FromUtf8Strict("x\xE0\x80\x80");  // overlong
  ASSERT_TRUE(bad.problem);
  EXPECT_EQ(bad.problem->offset, 1u);
  EXPECT_FALSE(bad.problem->cp);
}

TEST(Cp1251, LiteralsAreConvertedByTheCompiler) {
  constexpr std::string_view kTitle = "Миравель"_w;
  static_assert(kTitle.size() == 8);
  static_assert(kTitle[0] == '\xCC' && kTitle[7] == '\xFC');
  static_assert("№ ВариантДан"_w == "\xB9 \xC2\xE0\xF0\xE8\xE0\xED\xF2\xC4\xE0\xED");
  EXPECT_EQ(cp1251::ToUtf8("Ошибка открытия теста"_w), "Ошибка открытия теста");
}

}  // namespace
}  // namespace miravel
