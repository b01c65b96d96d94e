#!/usr/bin/env bash
# Cross-builds for 64-bit Windows what is not a window (the Qt-free core,
# miravel-make and their tests) with Debian's MinGW-w64 compilers, and runs
# the tests under Wine: the "windows" preset, in build/windows.
#
# Installs the Debian 12 packages it needs (only missing ones; apt-get
# through sudo when not root). wine64 runs 64-bit programs on its own: no
# i386 architecture and no wine32 are needed. The Wine prefix lives in
# build/windows/wine-prefix and is set up without any window or question
# (the Mono and Gecko installers are turned off).
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
echo "=== Windows build (MinGW-w64) and tests under Wine"

bash scripts/install-missing.sh cmake g++-mingw-w64-x86-64-posix libgtest-dev wine wine64

# The same settings as the preset's environment, for setting up the prefix.
export WINEPREFIX="$PWD/build/windows/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

cmake --preset windows >/dev/null
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Setting up the Wine prefix $WINEPREFIX"
  wine wineboot --init >/dev/null 2>&1
  wineserver --wait
fi

# The build runs the test programs (to list their tests) and miravel-make
# (to make the sample test) under Wine too.
cmake --build --preset windows -j "$(nproc)"
# The preset gives each test 120 s and a second try after a time-out: a Wine
# process has been seen, once, not to exit after its test had passed.
ctest --preset windows
echo "Windows build and tests took $((SECONDS - start)) s"
