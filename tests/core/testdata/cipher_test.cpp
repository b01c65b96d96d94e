// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdata/cipher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace miravel::testdata {
namespace {

using namespace miravel::literals;

TEST(Cipher, KeyPairing) {
  // Byte 1 goes with the key's second letter "e", byte 6 with its first "q",
  // byte 7 with "e" again.
  EXPECT_EQ(EnCr(std::string(1, '\0')), "e");
  EXPECT_EQ(EnCr(std::string(7, '\0')), "elmatqe");
  EXPECT_EQ(Cr("elmatqe"), std::string(7, '\0'));  // equal bytes give zero bytes
  EXPECT_EQ(Cr(""), "");
  EXPECT_EQ(EnCr(""), "");
}

TEST(Cipher, WrapsAroundModulo256) {
  // 0xFF + 'e' (0x65) = 0x164 -> 0x64; 0x01 - 'e' -> 0x9C.
  EXPECT_EQ(EnCr("\xFF"), "\x64");
  EXPECT_EQ(Cr("\x01"), "\x9C");
  EXPECT_EQ(EnCr("Я"_w), "\x44");  // 0xDF + 0x65
}

TEST(Cipher, RoundTripsEveryText) {
  std::mt19937 rng(7);
  for (std::size_t len : {0u, 1u, 5u, 6u, 7u, 12u, 13u, 2047u, 5000u}) {
    std::string text(len, '\0');
    for (auto& c : text) c = static_cast<char>(rng() & 0xFF);
    EXPECT_EQ(EnCr(Cr(text)), text) << len;
    EXPECT_EQ(Cr(EnCr(text)), text) << len;
    EXPECT_EQ(Cr(text).size(), len);
  }
}

TEST(AnswerCode, EncodesAndDecodes) {
  const char* codes[] = {"@", "&", "%", "#"};
  for (std::uint8_t option = 0; option < 4; ++option) {
    EXPECT_EQ(Crypt(option), codes[option]);
    EXPECT_EQ(EnCrypt(Crypt(option)), option);
  }
  EXPECT_EQ(Crypt(4), "r");
  EXPECT_EQ(Crypt(255), "r");
}

TEST(AnswerCode, OnlyTheFirstByteCounts) {
  struct Case {
    const char* code;
    int option;
  } cases[] = {
      {"@", 0},  {"@#%", 0}, {"&x", 1},  {"%", 2},   {"#", 3},  {"r", -1},
      {"R", -1}, {"", -1},   {"x@", -1}, {" @", -1}, {"0", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(EnCrypt(c.code), c.option) << '"' << c.code << '"';
}

}  // namespace
}  // namespace miravel::testdata
