#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file of the project starts with its licence line,
#   SPDX-License-Identifier: GPL-3.0-or-later
# in the file's own comment syntax (after a "#!" line, where there is one).
#   scripts/spdx.sh          lists the files that lack it; status 1 if any do
#   scripts/spdx.sh --add    adds it to those files
set -euo pipefail
cd "$(dirname "$0")/.."

tag='SPDX-License-Identifier: GPL-3.0-or-later'
add=false
[ "${1:-}" = --add ] && add=true

comment_for() {
  case "$1" in
    *.cpp | *.h | *.c) echo '//' ;;
    *.1) echo '.\"' ;;
    *.nsi | *.nsh) echo ';' ;;
    *.sh | *.py | *.cmake | */CMakeLists.txt | CMakeLists.txt | .ci/run | *.desktop | *.po | *.pot) echo '#' ;;
    *) return 1 ;;
  esac
}

missing=0
while IFS= read -r -d '' file; do
  prefix=$(comment_for "$file") || continue
  head -n 3 "$file" | grep -qF "$tag" && continue
  if ! $add; then
    echo "$file: no licence line"
    missing=$((missing + 1))
    continue
  fi
  line="$prefix $tag"
  line=${line//\\/\\\\}  # sed's a and i commands take a backslash as an escape
  if head -n 1 "$file" | grep -q '^#!'; then
    sed -i "1a\\$line" "$file"
  else
    sed -i "1i\\$line" "$file"
  fi
done < <(git ls-files -z -- '*.cpp' '*.h' '*.c' '*.sh' '*.py' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' \
  '.ci/run' 'man/*.1' '*.nsi' '*.nsh' '*.desktop' '*.po' '*.pot')

if [ "$missing" -gt 0 ]; then
  echo "$missing files lack the line '$tag' (scripts/spdx.sh --add adds it)" >&2
  exit 1
fi
