#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds Qt 6 for 64-bit Windows from Debian's own qtbase source, with
# Debian's MinGW-w64 (posix threads), and installs it into a cache folder
# outside the repository; prints that folder on its last line.
#   scripts/build-qt-windows.sh
#
# Only what Miravel needs is built: Core, Gui, Widgets, Test and
# PrintSupport, the windows and offscreen platform plugins and the
# windowsvista style, with Qt's bundled zlib, libpng, FreeType, HarfBuzz,
# PCRE2 and double-conversion. The host tools (moc, uic, rcc...) are the ones
# of Debian's qt6-base-dev-tools, which must be the same version.
#
# The folder is named by the Qt version and a hash of the build options
# (this script's configure line and toolchain): MIRAVEL_CACHE/qt-<version>-
# <hash>, MIRAVEL_CACHE being /var/cache/miravel unless set. When it exists,
# nothing is built. The Qt DLLs link the GCC runtime statically (libgcc,
# libstdc++, winpthread), as the program does, so no MinGW DLL is shipped.
#
# Environment: MIRAVEL_CACHE (the cache folder), JOBS (parallel compile jobs,
# the number of cores unless set).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${MIRAVEL_CACHE:-/var/cache/miravel}
jobs=${JOBS:-$(nproc)}

bash "$here/install-missing.sh" cmake ninja-build dpkg-dev g++-mingw-w64-x86-64-posix \
  qt6-base-dev-tools >&2

# The source version is the installed host tools' version: configure refuses
# host tools of another version.
version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev-tools)
qt_version=${version#*:}
qt_version=${qt_version%%+*}
qt_version=${qt_version%-*}

toolchain=$(
  cat <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The GCC runtime inside each DLL and program: nothing but Qt to ship.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
EOF
)
# -no-feature-direct2d1_1: -no-direct2d breaks the PrintSupport link in 6.4
# (a DirectWrite font engine symbol); -no-feature-tabletevent: Debian's
# source drops the bundled wintab.h.
options=(
  -xplatform win32-g++ -qt-host-path /usr -release -shared
  -nomake examples -nomake tests
  -no-pkg-config -no-opengl -no-dbus -no-vulkan -no-feature-direct2d1_1
  -no-feature-network -no-feature-sql -no-feature-concurrent -no-feature-xml
  -no-feature-tabletevent
  -qt-zlib -qt-libpng -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion
  -no-libjpeg -no-zstd -no-icu
)
key=$(printf '%s\n' "$version" "${options[*]}" "$toolchain" | sha256sum | cut -c1-12)
prefix="$cache/qt-$qt_version-$key"

if [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  echo "Qt for Windows is in $prefix" >&2
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
exec 9>"$cache/qt-build.lock"
if ! flock -n 9; then
  echo "Waiting for another build of Qt for Windows" >&2
  flock 9
fi
if [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  echo "$prefix"
  exit 0
fi

start=$SECONDS
source_dir=$(bash "$here/debian-source.sh" qt6-base "$version" "$cache/src" | tail -n 1)
build="$cache/build/qt-$qt_version-$key"
rm -rf "$build" "$prefix.part"
mkdir -p "$build"
printf '%s\n' "$toolchain" >"$build/mingw-w64-x86_64.cmake"

echo "Building Qt $qt_version for Windows in $build ($jobs jobs)" >&2
cd "$build"
"$source_dir/configure" -prefix "$prefix" "${options[@]}" -- \
  -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$build/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >configure.log 2>&1 || {
  tail -n 60 configure.log >&2
  exit 1
}
cmake --build . --parallel "$jobs" >build.log 2>&1 || {
  grep -B2 -A20 -m3 'FAILED:\|error:' build.log >&2 || tail -n 60 build.log >&2
  exit 1
}
# Installed beside the final folder, then moved into place, so that a build
# cut off half-way never looks like a finished one.
DESTDIR="$build/stage" cmake --install . >install.log 2>&1
mv "$build/stage$prefix" "$prefix.part"
printf '%s\n' "Debian qt6-base $version" "${options[*]}" "" "$toolchain" >"$prefix.part/miravel-build-options.txt"
mv "$prefix.part" "$prefix"
cd /
rm -rf "$build"
echo "Qt $qt_version for Windows built in $((SECONDS - start)) s into $prefix" >&2
echo "$prefix"
