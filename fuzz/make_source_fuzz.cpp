// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target of the authoring library: any bytes as a source text. A source
// that compiles is printed back with Decode and compiled again; the second test
// file must equal the first byte for byte, and printing it again must give the
// same source.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "authoring/decoder.h"
#include "authoring/parser.h"
#include "platform/profile_file.h"

namespace {

[[noreturn]] void Mismatch(const char* what, std::string_view detail) {
  std::fprintf(stderr, "round trip failed: %s\n%.*s\n", what, static_cast<int>(detail.size()), detail.data());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace miravel;
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  const auto first = authoring::Compile(source);
  if (!first.document) {
    if (first.errors.empty()) Mismatch("no test file and no error", source);
    if (first.errors.size() > authoring::kMaxErrors) Mismatch("more errors than are told", source);
    return 0;
  }
  if (!first.errors.empty()) Mismatch("a test file despite an error", first.errors.front().message);

  // Decode what a file with these bytes reads as, not the document in memory.
  const ProfileDocument reread(first.document->Content());
  const std::string decoded = authoring::Decode(reread);
  const auto second = authoring::Compile(decoded);
  if (!second.document) Mismatch("the decoded source does not compile", decoded + "\n" + second.errors.front().message);
  if (second.document->Content() != first.document->Content()) Mismatch("the test files differ", decoded);
  if (authoring::Decode(*second.document) != decoded) Mismatch("decoding again gives another source", decoded);
  return 0;
}
