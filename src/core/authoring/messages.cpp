// SPDX-License-Identifier: GPL-3.0-or-later
#include "authoring/messages.h"

#include <atomic>
#include <cstddef>

namespace miravel::authoring {
namespace {

std::atomic<Translator> installed{nullptr};

}  // namespace

void SetTranslator(Translator translator) { installed.store(translator); }

const char* Tr(const char* message) {
  const Translator translate = installed.load();
  return translate == nullptr ? message : translate(message);
}

std::string FormatList(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  std::size_t next = 0;  // the argument of the next "%s"
  for (std::size_t p = 0; p < pattern.size();) {
    const auto percent = pattern.find('%', p);
    out += pattern.substr(p, percent - p);
    if (percent == std::string_view::npos) break;
    p = percent + 1;
    if (p < pattern.size() && pattern[p] == '%') {
      out += '%';
      ++p;
      continue;
    }
    // "%N$s" takes the Nth argument, "%s" the next one.
    std::size_t number = 0;
    std::size_t q = p;
    while (q < pattern.size() && pattern[q] >= '0' && pattern[q] <= '9' && number < 1000)
      number = number * 10 + static_cast<std::size_t>(pattern[q++] - '0');
    const bool positional = q > p && q < pattern.size() && pattern[q] == '$' && number > 0;
    if (positional) p = q + 1;
    if (p < pattern.size() && pattern[p] == 's') {
      const std::size_t index = positional ? number - 1 : next++;
      ++p;
      if (index < args.size()) {
        out += args.begin()[index];
        continue;
      }
    }
    out += pattern.substr(percent, p - percent);
  }
  return out;
}

}  // namespace miravel::authoring
