#!/usr/bin/env bash
# Makes the Debian package of Miravel and checks it, on Debian 12:
#   1. sets up and builds the normal build (preset "default"), as test.sh does
#      (after test.sh there is nothing left to build);
#   2. checks that packaging/changelog has an entry for the project's version
#      and that the icons in packaging/icons/ are up to date;
#   3. cpack -G DEB makes build/default/miravel_<version>_<arch>.deb
#      (cmake/Packaging.cmake says what goes into it);
#   4. lintian: no error and no warning; what it reports that is no fault is
#      overridden, with the reason, in packaging/miravel.lintian-overrides;
#   5. the package unpacked with dpkg-deb -x into a temporary folder, whose
#      programs run with the system's libraries: the desktop entry validates,
#      miravel-make compiles the sample source into the sample test file that
#      the package holds and decodes it back, and miravel runs (offscreen)
#      and exits with status 0 on SIGTERM.
# Install the package with: apt install ./build/default/miravel_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# What making and checking the package needs besides (dpkg-dev, for
# dpkg-shlibdeps, also comes with build-essential).
bash scripts/install-missing.sh dpkg-dev lintian desktop-file-utils

build=build/default
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

# The version is the project's (project() in CMakeLists.txt).
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$version" ] || { echo "no CPACK_PACKAGE_VERSION in $build/CPackConfig.cmake" >&2; exit 1; }
arch=$(dpkg --print-architecture)
deb=$build/miravel_${version}_${arch}.deb
changelog_version=$(dpkg-parsechangelog -l packaging/changelog -S Version)
if [ "$changelog_version" != "$version" ]; then
  echo "packaging/changelog: the latest entry is for $changelog_version, the project is $version" >&2
  exit 1
fi

work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The icons kept in packaging/icons/ must still be the ones that
# scripts/draw-icon.py makes from src/gui/ui/icons/miravel.xpm (checked where
# Python is at hand; the build itself needs none).
if command -v python3 >/dev/null; then
  python3 scripts/draw-icon.py --icons "$work/icons"
  for icon in "$work"/icons/*.png; do
    cmp "$icon" "packaging/icons/$(basename "$icon")" || {
      echo "packaging/icons/ is out of date: run python3 scripts/draw-icon.py --icons packaging/icons" >&2
      exit 1
    }
  done
fi

echo "=== cpack"
rm -f "$deb"
(cd "$build" && cpack -G DEB)
[ -f "$deb" ] || { echo "cpack made no $deb" >&2; exit 1; }
dpkg-deb --field "$deb"

echo "=== lintian"
status=0
lintian --fail-on error,warning --display-info --show-overrides "$deb" >"$work/lintian.txt" 2>&1 || status=$?
# CI runs as root, which lintian only advises against.
grep -v '^running with root privileges is not recommended!$' "$work/lintian.txt" || true
if [ "$status" -ne 0 ]; then
  echo "lintian reports errors or warnings (status $status)" >&2
  exit 1
fi
echo "lintian: no errors, no warnings"

echo "=== the unpacked package"
root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/miravel.desktop"

make=$root/usr/bin/miravel-make
examples=$root/usr/share/doc/miravel/examples
[ "$("$make" --version)" = "miravel-make $version" ] || { echo "miravel-make --version: not $version" >&2; exit 1; }
"$make" "$examples/history.txt" -o "$work/history.DLL"
cmp "$work/history.DLL" "$examples/history.DLL"
"$make" --decode "$work/history.DLL" -o "$work/history-decoded.txt"
# The decoded source compiles to the same test file again.
"$make" "$work/history-decoded.txt" -o "$work/history-again.DLL"
cmp "$work/history.DLL" "$work/history-again.DLL"
echo "miravel-make: the sample test compiled and decoded"

QT_QPA_PLATFORM=offscreen "$root/usr/bin/miravel" >"$work/miravel.log" 2>&1 &
pid=$!
sleep 2
if ! kill -0 "$pid" 2>/dev/null; then
  status=0
  wait "$pid" || status=$?
  pid=
  echo "miravel ended by itself within 2 s (status $status):" >&2
  cat "$work/miravel.log" >&2
  exit 1
fi
kill -TERM "$pid"
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "miravel still runs 5 s after SIGTERM" >&2
  exit 1
fi
status=0
wait "$pid" || status=$?
pid=
if [ "$status" -ne 0 ]; then
  echo "miravel exited with status $status on SIGTERM:" >&2
  cat "$work/miravel.log" >&2
  exit 1
fi
echo "miravel: ran for 2 s and exited with status 0 on SIGTERM"

echo "Package: $deb (made and checked in ${SECONDS}s)"
