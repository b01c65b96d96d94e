#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads the program's windows as a screen reader does: under a virtual X
# display (Xvfb) with its own D-Bus session, where the accessibility bus
# (at-spi2-core) starts on demand, tests/atspi/check_tree.py starts the
# program, finds the registration edits by name, opens the sample test
# through the file dialog, starts it and finds the question and its four
# radio buttons, all through AT-SPI (python3-pyatspi, run by Debian's own
# /usr/bin/python3, which has it).
#   scripts/atspi-check.sh [BUILD_FOLDER]    default: build/default
# The build folder must hold a built program and the compiled sample test.
# Installs the Debian 12 packages it needs (only missing ones; apt-get through
# sudo when not root). Needs no display of its own; exits non-zero when the
# check fails, and never runs longer than a few minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
start=$SECONDS
echo "=== AT-SPI check (the program read as a screen reader reads it)"

bash scripts/install-missing.sh xvfb xauth dbus dbus-daemon at-spi2-core python3-pyatspi

program=$build/src/app/miravel
test_file=$build/examples/history.DLL
for f in "$program" "$test_file"; do
  [ -f "$f" ] || { echo "missing $f: build $build first" >&2; exit 1; }
done

# The run's answer journal goes to a home folder of its own.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT

# dbus-run-session: a session bus for this check alone, ended with it; the
# check starts its own Xvfb on a free display number and ends it.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u AT_SPI_BUS_ADDRESS \
  HOME="$home" XDG_RUNTIME_DIR="$home" LANG=C.UTF-8 \
  timeout --kill-after=10 240 \
  dbus-run-session -- \
  /usr/bin/python3 tests/atspi/check_tree.py --program "$program" --test-file "$test_file" \
  --source examples/history.txt </dev/null || status=$?
[ "$status" -eq 124 ] && echo "AT-SPI check FAILED: timed out after 240 s" >&2
echo "AT-SPI check took $((SECONDS - start)) s"
exit "$status"
