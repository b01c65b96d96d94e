#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the two Debian packages of Miravel and checks them, on Debian 12:
#   1. sets up and builds the normal build (preset "default"), as test.sh does
#      (after test.sh there is nothing left to build);
#   2. checks that packaging/changelog has an entry for the project's version
#      and that the icons in packaging/icons/ are up to date;
#   3. cpack -G DEB makes build/default/miravel_<version>_<arch>.deb (the
#      program, for every computer of the classroom) and
#      build/default/miravel-teacher_<version>_<arch>.deb (the teacher's
#      tools); cmake/Packaging.cmake says what goes into each;
#   4. lintian: no error and no warning in either (what it reports that is no
#      fault would be overridden, with the reason, in
#      packaging/<package>.lintian-overrides);
#   5. what each holds: miravel no authoring tool (no miravel-make, no
#      miravel-preview, no test source, none of their manual pages or
#      messages); miravel-teacher the tools built, and a dependency on
#      miravel of the same version;
#   6. both unpacked with dpkg-deb -x into one temporary folder, whose
#      programs run with the system's libraries: the desktop entry validates,
#      miravel-make compiles the sample source into the sample test file that
#      miravel holds and decodes it back, and sets a report password in a
#      configuration file of the test's; miravel-preview (when built) checks
#      the sample test; and miravel runs (offscreen) and exits with status 0
#      on SIGTERM.
# MIRAVEL_PACKAGE_BUILD names another build folder for the default preset.
# Install the packages with (the teacher's computer takes both):
#   apt install ./build/default/miravel_<version>_<arch>.deb
#   apt install ./build/default/miravel-teacher_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# What making and checking the package needs besides (dpkg-dev, for
# dpkg-shlibdeps, also comes with build-essential).
bash scripts/install-missing.sh dpkg-dev lintian desktop-file-utils

build=${MIRAVEL_PACKAGE_BUILD:-build/default}
cmake --preset default -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"

# The version is the project's (project() in CMakeLists.txt).
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$version" ] || { echo "no CPACK_PACKAGE_VERSION in $build/CPackConfig.cmake" >&2; exit 1; }
arch=$(dpkg --print-architecture)
deb=$build/miravel_${version}_${arch}.deb
teacher_deb=$build/miravel-teacher_${version}_${arch}.deb
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
rm -f "$deb" "$teacher_deb"
(cd "$build" && cpack -G DEB)
for package in "$deb" "$teacher_deb"; do
  [ -f "$package" ] || { echo "cpack made no $package" >&2; exit 1; }
  dpkg-deb --field "$package"
  echo
done

echo "=== lintian"
status=0
lintian --fail-on error,warning --display-info --show-overrides "$deb" "$teacher_deb" >"$work/lintian.txt" 2>&1 ||
  status=$?
# CI runs as root, which lintian only advises against.
grep -v '^running with root privileges is not recommended!$' "$work/lintian.txt" || true
if [ "$status" -ne 0 ]; then
  echo "lintian reports errors or warnings (status $status)" >&2
  exit 1
fi
echo "lintian: no errors, no warnings"

echo "=== what each package holds"
dpkg-deb --contents "$deb" | awk '{print $6}' >"$work/miravel.list"
dpkg-deb --contents "$teacher_deb" | awk '{print $6}' >"$work/miravel-teacher.list"
# The classroom's computers get no authoring tool: no command, no test
# source, nor their manual pages or messages.
if grep -E 'miravel-make|miravel-preview|\.txt$' "$work/miravel.list"; then
  echo "$deb holds the teacher's tools or a test source (above)" >&2
  exit 1
fi
for path in ./usr/bin/miravel ./usr/share/man/man1/miravel.1.gz ./usr/share/man/ru/man1/miravel.1.gz; do
  grep -qx -- "$path" "$work/miravel.list" || { echo "$deb holds no $path" >&2; exit 1; }
done
dpkg-deb --field "$deb" Depends | grep -q 'qt6-translations-l10n' ||
  { echo "$deb does not depend on qt6-translations-l10n (Qt's own texts in Russian)" >&2; exit 1; }
teacher_holds=(./usr/bin/miravel-make ./usr/share/man/man1/miravel-make.1.gz ./usr/share/man/ru/man1/miravel-make.1.gz
  ./usr/share/doc/miravel-teacher/examples/history.txt ./usr/share/doc/miravel-teacher/copyright)
# The preview command goes with the teacher's tools once the build makes it.
preview_built=$(find "$build/tools" -type f -name miravel-preview -perm -u+x -print -quit)
if [ -n "$preview_built" ]; then
  teacher_holds+=(./usr/bin/miravel-preview ./usr/share/man/ru/man1/miravel-preview.1.gz)
fi
for path in "${teacher_holds[@]}"; do
  grep -qx -- "$path" "$work/miravel-teacher.list" || { echo "$teacher_deb holds no $path" >&2; exit 1; }
done
if grep -E '^\./usr/bin/miravel$|/doc/miravel/' "$work/miravel-teacher.list"; then
  echo "$teacher_deb holds files of the miravel package (above)" >&2
  exit 1
fi
depends=$(dpkg-deb --field "$teacher_deb" Depends)
case ", $depends," in
  *", miravel (= $version),"*) ;;
  *) echo "$teacher_deb does not depend on miravel (= $version): $depends" >&2; exit 1 ;;
esac
for package in "$deb" "$teacher_deb"; do
  dpkg-deb --field "$package" Depends | grep -q 'libsodium' ||
    { echo "$package does not depend on libsodium" >&2; exit 1; }
done
echo "miravel holds no authoring tool; miravel-teacher holds them and depends on miravel (= $version)"

echo "=== the unpacked packages"
root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -x "$teacher_deb" "$root"
desktop-file-validate "$root/usr/share/applications/miravel.desktop"

make=$root/usr/bin/miravel-make
examples=$root/usr/share/doc/miravel/examples
[ "$("$make" --version)" = "miravel-make $version" ] || { echo "miravel-make --version: not $version" >&2; exit 1; }
"$make" "$root/usr/share/doc/miravel-teacher/examples/history.txt" -o "$work/history.DLL"
cmp "$work/history.DLL" "$examples/history.DLL"
"$make" --decode "$work/history.DLL" -o "$work/history-decoded.txt"
# The decoded source compiles to the same test file again.
"$make" "$work/history-decoded.txt" -o "$work/history-again.DLL"
cmp "$work/history.DLL" "$work/history-again.DLL"
echo "miravel-make: the sample test compiled and decoded"
printf 'Учитель 1\n' | "$make" --set-report-password --password-stdin --config "$work/site/miravel.conf"
grep -q '^password = \$argon2id\$' "$work/site/miravel.conf" ||
  { echo "miravel-make --set-report-password wrote no hash" >&2; exit 1; }
echo "miravel-make: a report password set"
if [ -n "$preview_built" ]; then
  preview=$root/usr/bin/miravel-preview
  [ "$(QT_QPA_PLATFORM=offscreen "$preview" --version)" = "miravel-preview $version" ] ||
    { echo "miravel-preview --version: not $version" >&2; exit 1; }
  QT_QPA_PLATFORM=offscreen "$preview" --check "$examples/history.DLL"
  echo "miravel-preview: the sample test checked"
fi

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

echo "Packages: $deb $teacher_deb (made and checked in ${SECONDS}s)"
