// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdata/cipher.h"

#include <cstddef>

namespace miravel::testdata {
namespace {

template <typename Op>
Text Apply(std::string_view text, Op op) {
  Text out(text.size(), '\0');
  for (std::size_t p = 0; p < text.size(); ++p) {
    const auto t = static_cast<unsigned char>(text[p]);
    const auto k = static_cast<unsigned char>(kCipherKey[(p + 1) % kCipherKey.size()]);
    out[p] = static_cast<char>(static_cast<unsigned char>(op(t, k)));
  }
  return out;
}

}  // namespace

Text Cr(std::string_view text) {
  return Apply(text, [](unsigned t, unsigned k) { return t - k; });
}

Text EnCr(std::string_view text) {
  return Apply(text, [](unsigned t, unsigned k) { return t + k; });
}

Text Crypt(std::uint8_t option) {
  constexpr std::string_view kCodes = "@&%#";
  return Text(1, option < kCodes.size() ? kCodes[option] : 'r');
}

int EnCrypt(std::string_view code) {
  if (code.empty()) return -1;
  switch (code.front()) {
    case '@': return 0;
    case '&': return 1;
    case '%': return 2;
    case '#': return 3;
    default: return -1;  // "r", and every code the format gives no meaning
  }
}

}  // namespace miravel::testdata
