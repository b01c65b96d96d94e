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

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
