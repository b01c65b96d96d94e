#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a fresh Debian 12 machine, builds and runs every test.
#   scripts/test.sh            the normal build (preset "default")
#   scripts/test.sh asan       the address+undefined-sanitizer build
# After the tests it prints how many were skipped, with their names and the
# reasons they gave ("skipped tests: N"); a skip does not fail the run.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
bash scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"

results=$(mktemp --suffix=.xml)
trap 'rm -f "$results"' EXIT
status=0
ctest --preset "$preset" --output-junit "$results" || status=$?

# Every test case CTest reports with a <skipped> element, and the line
# Google Test prints after "Skipped": the reason given to GTEST_SKIP.
awk '
  function unescape(s) {
    gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s); gsub(/&apos;/, "\047", s)
    gsub(/&amp;/, "\\&", s)
    return s
  }
  function finish() {
    if (name != "" && skipped) { count++; lines = lines "  " name (reason != "" ? ": " reason : "") "\n" }
    name = ""; skipped = 0; reason = ""; want_reason = 0
  }
  /<testcase / {
    finish()
    match($0, /name="[^"]*"/)
    name = unescape(substr($0, RSTART + 6, RLENGTH - 7))
  }
  /<skipped/ { skipped = 1 }
  want_reason { reason = unescape($0); sub(/^[ \t]+/, "", reason); want_reason = 0 }
  /: Skipped$/ && reason == "" { want_reason = 1 }
  END { finish(); printf "skipped tests: %d\n%s", count, lines }
' "$results"
exit "$status"
