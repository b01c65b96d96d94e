#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Miravel needs.
# Only missing packages are installed; runs apt-get through sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake pkgconf git
  libgtest-dev libgmock-dev libbenchmark-dev libinih-dev
  clang libclang-rt-14-dev
  # The windows: Qt 6 Widgets, and Cantarell, the face that stands in for the
  # designed one (see src/ui/fonts.h).
  qt6-base-dev fonts-cantarell
)

bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"
