// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the authoring library's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "authoring/parser.h"
#include "platform/profile_file.h"

namespace miravel::authoring {

// The errors of a result, one a line, for failure messages.
inline std::string Shown(const std::vector<Diagnostic>& errors) {
  std::string out;
  for (const auto& error : errors) out += std::to_string(error.line) + ": " + error.message + "\n";
  return out;
}

inline ProfileDocument CompileOk(const std::string& source) {
  auto result = Compile(source);
  EXPECT_TRUE(result.errors.empty()) << Shown(result.errors) << source;
  if (!result.document) return ProfileDocument{};
  return std::move(*result.document);
}

}  // namespace miravel::authoring
