#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds libsodium for 64-bit Windows from Debian's own libsodium
# source, with Debian's MinGW-w64 (posix threads), as a static library, into
# a cache folder outside the repository; prints that folder on its last line.
#   scripts/build-sodium-windows.sh
#
# The source version is the one Debian 12 gives libsodium-dev; the folder is
# MIRAVEL_CACHE/sodium-<version>-<hash of the options> (MIRAVEL_CACHE is
# /var/cache/miravel unless set). When it exists, nothing is built. A program
# that links the static library defines SODIUM_STATIC (cmake/Sodium.cmake
# does).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${MIRAVEL_CACHE:-/var/cache/miravel}
jobs=${JOBS:-$(nproc)}

# Debian's source is upstream's git tree, without the generated configure:
# autoreconf makes it, as Debian's own build does.
bash "$here/install-missing.sh" dpkg-dev make autoconf automake libtool g++-mingw-w64-x86-64-posix >&2

version=$(apt-cache policy libsodium-dev | sed -n 's/^  Candidate: //p')
[ -n "$version" ] && [ "$version" != "(none)" ] || {
  echo "apt knows no libsodium-dev version" >&2
  exit 1
}
upstream=${version#*:}
upstream=${upstream%-*}

host=x86_64-w64-mingw32
options=(--host=$host --disable-shared --enable-static --disable-pie --with-pic=no
  CC=$host-gcc-posix "CFLAGS=-O2 -g0")
key=$(printf '%s\n' "$version" "${options[*]}" | sha256sum | cut -c1-12)
prefix="$cache/sodium-$upstream-$key"

if [ -f "$prefix/lib/libsodium.a" ]; then
  echo "libsodium for Windows is in $prefix" >&2
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
exec 9>"$cache/sodium-build.lock"
flock 9
if [ -f "$prefix/lib/libsodium.a" ]; then
  echo "$prefix"
  exit 0
fi

start=$SECONDS
source_dir=$(bash "$here/debian-source.sh" libsodium "$version" "$cache/src" | tail -n 1)
if [ ! -x "$source_dir/configure" ]; then
  (cd "$source_dir" && autoreconf -fi >autoreconf.log 2>&1) || {
    tail -n 40 "$source_dir/autoreconf.log" >&2
    exit 1
  }
fi
build="$cache/build/sodium-$upstream-$key"
rm -rf "$build" "$prefix.part"
mkdir -p "$build"
cd "$build"
echo "Building libsodium $upstream for Windows in $build" >&2
"$source_dir/configure" --prefix="$prefix" "${options[@]}" >configure.log 2>&1 || {
  tail -n 40 configure.log >&2
  exit 1
}
make -j "$jobs" >build.log 2>&1 || {
  tail -n 40 build.log >&2
  exit 1
}
make install DESTDIR="$build/stage" >install.log 2>&1
mv "$build/stage$prefix" "$prefix.part"
mv "$prefix.part" "$prefix"
cd /
rm -rf "$build"
echo "libsodium $upstream for Windows built in $((SECONDS - start)) s into $prefix" >&2
echo "$prefix"
