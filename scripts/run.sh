#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a fresh Debian 12 machine, builds Miravel (the build also compiles
# the sample test examples/history.txt into build/default/examples/history.DLL)
# and starts the program. In the program, open that file with «Открыть».
set -euo pipefail
cd "$(dirname "$0")/.."
# A window needs a display: say so before spending minutes on packages and a build.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start this from a desktop session (or under xvfb-run)." >&2
  exit 1
fi
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null
echo "Sample test to open: build/default/examples/history.DLL"
exec build/default/src/app/miravel
