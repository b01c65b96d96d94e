#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the whole program for 64-bit Windows with Debian's MinGW-w64
# compilers and tests it under Wine: the "windows-whole" preset, in
# build/windows-whole (docs/building-on-windows.md):
#   1. Qt for Windows, built from Debian's qtbase source into a cache folder
#      outside the repository (scripts/build-qt-windows.sh; about half an
#      hour on 2 idle cores the first time, nothing afterwards), and
#      libsodium likewise (scripts/build-sodium-windows.sh);
#   2. miravel.exe, miravel-make.exe, the preview and picture tools and every
#      test, run under Wine: the window tests on the offscreen platform, the
#      session-end test on the windows platform under xvfb-run;
#   3. miravel-setup-<version>.exe (scripts/windows-installer.sh), installed,
#      run and uninstalled silently in a fresh Wine prefix, its pictures
#      compared with Linux's (scripts/windows-installer-check.sh; the Linux
#      picture tool comes from LINUX_BUILD, build/default unless set, and is
#      built there when missing).
#
# With MIRAVEL_WINDOWS_CORE_ONLY=1 it builds only what is not a window (the
# Qt-free core, miravel-make and their tests: the "windows" preset, in
# build/windows), which needs no Qt: a quick check of the core.
#
# Installs the Debian 12 packages it needs (only missing ones; apt-get
# through sudo when not root). wine64 runs 64-bit programs on its own: no
# i386 architecture and no wine32 are needed. The Wine prefix lives in the
# build folder and is set up without any window or question (the Mono and
# Gecko installers are turned off). The tests run under a Russian locale, so
# that Wine's ANSI code page is 1251, as on the classroom's PCs.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
whole=1
[ "${MIRAVEL_WINDOWS_CORE_ONLY:-0}" = 1 ] && whole=0
preset=windows-whole
[ "$whole" = 1 ] || preset=windows
echo "=== Windows build (MinGW-w64) and tests under Wine"

bash scripts/install-missing.sh cmake g++-mingw-w64-x86-64-posix libgtest-dev wine wine64
configure=()
if [ "$whole" = 1 ]; then
  bash scripts/install-missing.sh ninja-build qt6-base-dev-tools xvfb xauth fonts-cantarell nsis python3-pil \
    poppler-utils
  qt_start=$SECONDS
  qt=$(bash scripts/build-qt-windows.sh | tail -n 1)
  sodium=$(bash scripts/build-sodium-windows.sh | tail -n 1)
  echo "Qt and libsodium for Windows ready in $((SECONDS - qt_start)) s: $qt, $sodium"
  configure=(-DMIRAVEL_QT_WINDOWS="$qt" -DMIRAVEL_SODIUM_WINDOWS="$sodium")
fi

# The same settings as the preset's environment, for setting up the prefix.
export WINEPREFIX="$PWD/build/$preset/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

cmake --preset "$preset" "${configure[@]}" >/dev/null
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Setting up the Wine prefix $WINEPREFIX"
  wine wineboot --init >/dev/null 2>&1
  wineserver --wait
fi

# The build runs the test programs (to list their tests) and miravel-make
# (to make the sample test) under Wine too.
cmake --build --preset "$preset" -j "$(nproc)"
# The preset gives each test 120 s and a second try after a time-out: a Wine
# process has been seen, once, not to exit after its test had passed.
ctest --preset "$preset"

if [ "$whole" = 1 ]; then
  installer=$(bash scripts/windows-installer.sh "build/$preset" | tail -n 1)
  linux_build=${LINUX_BUILD:-build/default}
  linux_tool=$linux_build/tools/window-shots/window-shots
  if [ ! -x "$linux_tool" ]; then
    bash scripts/setup.sh
    cmake --preset default -B "$linux_build" >/dev/null
    cmake --build "$linux_build" -j "$(nproc)" --target window-shots
  fi
  bash scripts/windows-installer-check.sh "$installer" "$linux_tool"
fi
echo "Windows build and tests took $((SECONDS - start)) s"
