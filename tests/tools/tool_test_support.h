// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the tests of the authoring library and of miravel-make.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace miravel::authoring::testing {

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("miravel-make-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void Put(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

inline std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Whether the system has a locale (as the tool takes it from LC_ALL).
inline bool HasLocale(const char* name) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  const bool has = std::setlocale(LC_ALL, name) != nullptr;
  std::setlocale(LC_ALL, saved.c_str());
  return has;
}

}  // namespace miravel::authoring::testing
