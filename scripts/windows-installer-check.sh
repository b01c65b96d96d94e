#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Windows installer under Wine the way a school administrator uses
# it, in a Wine prefix made fresh for the check:
#   1. installs silently, with the teacher's tools (/S /TEACHER);
#   2. finds the program, the Qt DLLs and plugins, the sample test, both
#      shortcuts «Миравель» and the "Apps and features" entry;
#   3. runs the installed picture tool on the offscreen platform, with
#      Cantarell as on Linux, over the installed sample test, and compares
#      the start screen and a question screen with the same screens rendered
#      on Linux: same size, every control in the same place, differences only
#      in the glyphs (scripts/compare-pictures.py);
#   4. uninstalls silently and checks that nothing is left under Program
#      Files, nor the shortcuts, nor the entry.
#   scripts/windows-installer-check.sh INSTALLER LINUX_PICTURE_TOOL [--docs]
# LINUX_PICTURE_TOOL is the Linux build's window-shots. --docs also copies
# both builds' pictures to docs/windows/. Every Wine run has a time limit,
# and one that is cut off is tried once more.
set -euo pipefail
cd "$(dirname "$0")/.."
installer=$(realpath "$1")
linux_tool=$2
docs=${3:-}
start=$SECONDS
echo "=== The Windows installer under Wine"

bash scripts/install-missing.sh wine wine64 fonts-cantarell python3-pil >&2

work=$(realpath -m "$(dirname "$installer")/installer-check")
rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# A Russian system: Wine's ANSI code page is then Windows-1251, its console's
# 866, as on a Russian Windows.
export LC_ALL=ru_RU.UTF-8
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

fail() {
  echo "Installer check FAILED: $*" >&2
  exit 1
}

# wine_run SECONDS PROGRAM ARGS...: runs a Windows program and waits for
# every process it started; a second try when the time runs out.
wine_run() {
  local seconds=$1 status
  shift
  for attempt in 1 2; do
    status=0
    timeout --kill-after=10 "$seconds" bash -c 'wine "$@" && wineserver --wait' wine_run "$@" || status=$?
    [ "$status" -ne 124 ] && [ "$status" -ne 137 ] && return "$status"
    echo "wine $1: no end after $seconds s (try $attempt)" >&2
    wineserver -k >/dev/null 2>&1 || true
  done
  return 124
}

timeout --kill-after=10 120 bash -c 'wine wineboot --init >/dev/null 2>&1 && wineserver --wait' ||
  fail "the Wine prefix could not be set up"

drive_c="$WINEPREFIX/drive_c"
folder="$drive_c/Program Files/Miravel"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Miravel'

# 1, 2: the silent install.
wine_run 300 "$installer" /S /TEACHER || fail "the silent install ended with status $?"
for f in miravel.exe miravel-make.exe uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
  platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll examples/history.DLL \
  examples/history.txt translations/qtbase_ru.qm; do
  [ -f "$folder/$f" ] || fail "not installed: Program Files/Miravel/$f"
done
preview=window-shots.exe  # the picture tool: it writes the controls' places too
[ -f "$folder/$preview" ] || fail "no picture tool installed"
for link in "ProgramData/Microsoft/Windows/Start Menu/Programs/Миравель.lnk" "users/Public/Desktop/Миравель.lnk"; do
  [ -f "$drive_c/$link" ] || fail "no shortcut C:/$link"
done
entry=$(timeout 60 wine reg query "$key" 2>/dev/null | iconv -f CP866 -t UTF-8 | tr -d '\r') ||
  fail "no uninstall entry $key"
for value in DisplayName DisplayVersion UninstallString QuietUninstallString InstallLocation; do
  grep -q "^ *$value " <<<"$entry" || fail "the uninstall entry has no $value"
done
grep -q 'DisplayName.*Миравель' <<<"$entry" || fail "the uninstall entry is not named Миравель"
echo "Installed silently: $(du -sk "$folder" | cut -f1) KB in C:/Program Files/Miravel, shortcuts and uninstall entry present"

# The installed teacher's tool works: the installed source makes the
# installed sample test again, byte for byte.
(cd "$work" && wine_run 120 "$folder/miravel-make.exe" 'C:\Program Files\Miravel\examples\history.txt' \
  -o 'C:\history.DLL') || fail "the installed miravel-make failed"
cmp -s "$drive_c/history.DLL" "$folder/examples/history.DLL" ||
  fail "the installed miravel-make made another sample test than the installed one"

# 3: the installed preview tool's pictures against Linux's.
screens=(main-window question-area)
QT_QPA_PLATFORM=offscreen timeout --kill-after=10 120 "$linux_tool" --geometry "$work/linux" \
  "$folder/examples/history.DLL" >/dev/null || fail "the Linux picture tool failed"
# QT_ variables do not reach a Windows program under Wine; their WINE-prefixed
# forms do. The offscreen platform on Windows finds fonts only in
# QT_QPA_FONTDIR.
(cd "$work" && WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\opentype\cantarell' \
  wine_run 180 "$folder/$preview" --geometry 'Z:'"${work//\//\\}"'\windows' \
  'C:\Program Files\Miravel\examples\history.DLL' >/dev/null) ||
  fail "the installed $preview failed"
/usr/bin/python3 scripts/compare-pictures.py "$work/linux" "$work/windows" "${screens[@]}" ||
  fail "the installed program's screens differ from Linux's"
if [ "$docs" = --docs ]; then
  mkdir -p docs/windows
  for s in "${screens[@]}"; do
    cp "$work/windows/$s.png" "docs/windows/$s.png"
    cp "$work/linux/$s.png" "docs/windows/$s-linux.png"
  done
fi

# 4: the silent uninstall (the uninstaller copies itself away and returns at
# once; wine_run waits for the copy too).
wine_run 180 "$folder/uninstall.exe" /S || fail "the silent uninstall ended with status $?"
left=$(cd "$drive_c/Program Files" && find . -path './Miravel*' -o -iname '*miravel*' | head -n 20)
[ -z "$left" ] || fail "left under Program Files after the uninstall: $left"
for link in "ProgramData/Microsoft/Windows/Start Menu/Programs/Миравель.lnk" "users/Public/Desktop/Миравель.lnk"; do
  [ ! -e "$drive_c/$link" ] || fail "the uninstall left the shortcut C:/$link"
done
if timeout 60 wine reg query "$key" >/dev/null 2>&1; then fail "the uninstall left the entry $key"; fi
echo "Uninstalled silently: nothing left under Program Files"
echo "Installer check passed in $((SECONDS - start)) s"
