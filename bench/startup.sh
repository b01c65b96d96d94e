#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up to the first painted frame: the program against a bare QLabel
# window and a bare empty window of 462 x 424, both on the offscreen platform,
# interleaved in one run (bench/startup_bench.cpp says what is measured).
#
#   bash bench/startup.sh [build-folder] [runs]
#
# build-folder: a configured build with the benchmarks on (default
# build/default, from `cmake --preset default`); runs: per kind, default 20.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-"$here/../build/default"}
runs=${2:-20}

cmake --build "$build" -j2 --target startup_bench >/dev/null
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')   commit: $(git -C "$here" rev-parse --short HEAD 2>/dev/null || echo none)"
echo "before: $(uptime)"
QT_QPA_PLATFORM=offscreen "$build/bench/startup_bench" "$runs"
echo "after:  $(uptime)"
