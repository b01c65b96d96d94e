#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Windows installer, BUILD/miravel-setup-<version>.exe, from a
# built "windows" preset with makensis (Debian's nsis) and
# packaging/windows/miravel.nsi.
#   scripts/windows-installer.sh [BUILD_FOLDER]     default: build/windows
# Qt comes from the build's MIRAVEL_QT_WINDOWS. The files are gathered in
# BUILD/installer: program/ holds miravel.exe, the sample test and what it
# needs of Qt (the DLLs it imports, found by reading the import tables, the
# windows platform plugin and the windowsvista style); tools/ holds the
# teacher's tools (miravel-make, the preview and picture tools, the offscreen platform
# plugin the preview renders on, and the sample test's source) with any Qt
# DLL they need besides. Qt's own texts in Russian (qtbase_ru.qm, the same
# data on every system) come from Debian's qt6-translations-l10n, built from
# Debian's qttranslations source, into program/translations/, where the
# program looks for them beside itself. Everything is stripped of its debug information.
# Prints the installer's path on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}

bash scripts/install-missing.sh nsis binutils-mingw-w64-x86-64 qt6-translations-l10n >&2

cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
qt=$(cache_value MIRAVEL_QT_WINDOWS)
version=$(cache_value CMAKE_PROJECT_VERSION)
[ -n "$qt" ] && [ -d "$qt/bin" ] || { echo "$build was not configured with MIRAVEL_QT_WINDOWS" >&2; exit 1; }
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }

# The teacher's tools: miravel-make, the preview (where the build has it)
# and the picture tool, which renders every screen of a run of a test.
program_files=("$build/src/app/miravel.exe")
tool_files=("$build/tools/miravel-make/miravel-make.exe" "$build/tools/window-shots/window-shots.exe")
[ -f "$build/tools/preview/miravel-preview.exe" ] && tool_files+=("$build/tools/preview/miravel-preview.exe")
for f in "${program_files[@]}" "${tool_files[@]}" "$build/examples/history.DLL"; do
  [ -f "$f" ] || { echo "missing $f: build the windows preset first" >&2; exit 1; }
done

stage=$build/installer
rm -rf "$stage"
mkdir -p "$stage/program/platforms" "$stage/program/styles" "$stage/program/examples" \
  "$stage/tools/platforms" "$stage/tools/examples"
cp "${program_files[@]}" "$stage/program/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/program/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/program/styles/"
cp "$build/examples/history.DLL" "$stage/program/examples/"
# qtbase_ru.qm needs no other catalogue (qt_ru.qm would, for modules the
# program does not use).
mkdir -p "$stage/program/translations"
cp /usr/share/qt6/translations/qtbase_ru.qm "$stage/program/translations/"
cp "${tool_files[@]}" "$stage/tools/"
cp "$qt/plugins/platforms/qoffscreen.dll" "$stage/tools/platforms/"
cp examples/history.txt "$stage/tools/examples/"

# The Qt DLLs a component needs and the other component has not: every DLL
# named in an import table that Qt's bin folder holds, and the DLLs those
# import in turn.
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
add_qt_dlls() {
  local component=$1 changed=1 file dll
  while [ "$changed" -eq 1 ]; do
    changed=0
    while IFS= read -r file; do
      for dll in $(imports "$file"); do
        [ -f "$qt/bin/$dll" ] || continue
        [ -f "$stage/program/$dll" ] || [ -f "$stage/$component/$dll" ] && continue
        cp "$qt/bin/$dll" "$stage/$component/"
        changed=1
      done
    done < <(find "$stage/$component" -name '*.exe' -o -name '*.dll')
  done
}
add_qt_dlls program
add_qt_dlls tools
find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

# The lists the script includes: what each component installs (SetOutPath
# and File for each folder), and everything the uninstaller removes.
list_component() {
  local component=$1 dir
  (cd "$stage/$component" && find . -type d | sort) | while IFS= read -r dir; do
    dir=${dir#./}
    [ "$dir" = . ] && dir=
    local files
    files=$(cd "$stage/$component/$dir" && find . -maxdepth 1 -type f | sort)
    [ -n "$files" ] || continue
    local out='$INSTDIR'
    [ -n "$dir" ] && out="\$INSTDIR\\${dir//\//\\}"
    echo "SetOutPath \"$out\""
    while IFS= read -r f; do
      f=${f#./}
      local from="$stage/$component/${dir:+$dir/}$f"
      echo "File \"$(realpath "$from")\""
    done <<<"$files"
  done
}
list_component program >"$stage/program-files.nsh"
list_component tools >"$stage/tools-files.nsh"
{
  for component in program tools; do
    (cd "$stage/$component" && find . -type f | sort) | while IFS= read -r f; do
      f=${f#./}
      echo "Delete \"\$INSTDIR\\${f//\//\\}\""
    done
  done
  for component in program tools; do
    (cd "$stage/$component" && find . -mindepth 1 -type d | sort -r) | while IFS= read -r d; do
      d=${d#./}
      echo "RMDir \"\$INSTDIR\\${d//\//\\}\""
    done
  done
} | awk '!seen[$0]++' >"$stage/uninstall-files.nsh"

installer="$build/miravel-setup-$version.exe"
makensis -INPUTCHARSET UTF8 -V2 -DVERSION="$version" -DSTAGE="$(realpath "$stage")" \
  -DOUTFILE="$(realpath "$build")/miravel-setup-$version.exe" packaging/windows/miravel.nsi >&2
echo "Installer: $installer ($(du -k "$installer" | cut -f1) KB)" >&2
echo "$installer"
