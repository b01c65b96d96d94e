#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every C++ source the project tracks is formatted as the root .clang-format
# says. Lists the files that are not; status 1 if there are any.
# `clang-format --dry-run FILE` shows what it would change in one, and
# `cmake --build build/default --target format` formats them all.
set -euo pipefail
cd "$(dirname "$0")/.."

clang_format=${CLANG_FORMAT:-clang-format}
unformatted=0
while IFS= read -r -d '' file; do
  if ! "$clang_format" --dry-run --Werror "$file" 2>/dev/null; then
    echo "$file: not formatted"
    unformatted=$((unformatted + 1))
  fi
done < <(git ls-files -z -- '*.cpp' '*.h')

if [ "$unformatted" -gt 0 ]; then
  echo "$unformatted files are not formatted (clang-format -i FILE, or the build's format target, formats them)" >&2
  exit 1
fi
