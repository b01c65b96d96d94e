#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages that building and testing Miravel needs and
# generates the Russian locale that the date tests and the Russian messages of
# miravel-make are tested under.
# Only what is missing is installed or generated; runs apt-get and locale-gen
# through sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake pkgconf git
  libgtest-dev libgmock-dev libbenchmark-dev libinih-dev
  # The report password hash of the site configuration (Argon2id).
  libsodium-dev
  clang libclang-rt-14-dev
  # The formatting check and the format target (scripts/format-check.sh), and
  # clang-tidy's checks (scripts/tidy-check.sh).
  clang-format clang-tidy
  # The windows: Qt 6 Widgets and Print Support (a saved report is a PDF
  # file), and Cantarell, the face that stands in for the designed one (see
  # src/gui/ui/fonts.h).
  qt6-base-dev fonts-cantarell
  # Qt's own texts (message box buttons, the file, save and print dialogs) in
  # the user's language; the Windows installer takes its catalogues from it.
  qt6-translations-l10n
  # pdftotext and pdftoppm: the tests read a saved report's text and colours.
  poppler-utils
  # The locale data, for the Russian short date form (dd.mm.yyyy) in the tests
  # and the Russian messages of miravel-make.
  locales
  # msgfmt compiles the messages of miravel-make (po/ru.po); xgettext and
  # msgcmp check that every message has its Russian text.
  gettext
)

bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"

# ru_RU.UTF-8, unless it is there already ("locale -a" lists it as ru_RU.utf8).
if ! locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
  echo "Generating the locale ru_RU.UTF-8"
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  if grep -qx '# *ru_RU\.UTF-8 UTF-8' /etc/locale.gen; then
    "${sudo[@]}" sed -i 's/^# *\(ru_RU\.UTF-8 UTF-8\)$/\1/' /etc/locale.gen
  elif ! grep -qx 'ru_RU\.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ru_RU.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo[@]}" locale-gen
fi
