#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# clang-tidy's checks (the root .clang-tidy and those of its folders) on every
# tracked C++ source that a build compiles, with that build's
# compile_commands.json; any finding is an error. Prints the findings; status
# 1 if there are any.
#   scripts/tidy-check.sh [BUILD]   BUILD is build/default unless given; it is
#                                   to be built already (moc's and uic's
#                                   headers are made by the build)
# The fuzz targets are compiled only by the fuzz preset: give build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/default}
jobs=${TIDY_JOBS:-$(nproc)}
root=$(pwd -P)
if [ ! -f "$build/compile_commands.json" ]; then
  echo "$build/compile_commands.json: not found (configure and build it first)" >&2
  exit 2
fi

# The tracked sources that the build compiles.
mapfile -t sources < <(git ls-files -z -- '*.cpp' | python3 -c '
import json, os, sys
compiled = {os.path.realpath(os.path.join(e["directory"], e["file"])) for e in json.load(open(sys.argv[1]))}
for path in sys.stdin.read().split("\0"):
    if path and os.path.realpath(path) in compiled:
        print(path)
' "$build/compile_commands.json")
if [ "${#sources[@]}" -eq 0 ]; then
  echo "$build compiles none of the tracked sources" >&2
  exit 2
fi
echo "clang-tidy on ${#sources[@]} sources, $jobs at a time"

# Only the project's own headers (*.h) are checked (not the generated ones in the
# build folders, nor Qt's or the system's). Each source's findings go to a
# file of their own, shown once all have run.
clang_tidy=${CLANG_TIDY:-clang-tidy-14}
header_filter="^$root/(src|tests|tools|bench|fuzz)/.*\.h$"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
printf '%s\0' "${sources[@]}" | xargs -0 -P "$jobs" -I{} sh -c '
  log="$5/$(printf "%s" "$4" | tr / _).log"
  "$1" -p "$2" --quiet --header-filter="$3" "$4" >"$log" 2>&1 || printf "%s\n" "$4" >>"$5/failed"
' tidy "$clang_tidy" "$build" "$header_filter" {} "$logs"

if [ -s "$logs/failed" ]; then
  sort "$logs/failed" | while IFS= read -r file; do
    echo "--- $file"
    grep -v ' warnings\? generated\.$' "$logs/$(printf '%s' "$file" | tr / _).log" || true
  done
  echo "=== the findings, each once (a header's are found from every source that includes it)"
  cat "$logs"/*.log | grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error):' | sed "s|^$root/||" | sort -u
  echo "$(wc -l <"$logs/failed") of ${#sources[@]} sources have findings" >&2
  exit 1
fi
echo "no findings"
