#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fetches and unpacks one of Debian 12's source packages, checked as apt
# checks what it installs:
#   scripts/debian-source.sh SOURCE-PACKAGE VERSION DEST-FOLDER
# prints the unpacked folder on its last line.
#
# Debian's source packages are reached through apt once a deb-src entry for
# the machine's suites exists; this script adds one (the same mirrors, suites
# and keyring as /etc/apt/sources.list.d/debian.sources) when there is none.
# apt-get source then downloads the .dsc and its archives only if the Sources
# index they are listed in is covered by the suite's signed Release file
# (never --allow-unauthenticated), and refuses files whose hashes differ.
# The script checks the SHA-256 of every downloaded file once more against
# that index before dpkg-source unpacks it.
set -euo pipefail

package=$1
version=$2
dest=$3

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

wait_for_apt() {
  while pgrep -x apt-get >/dev/null || pgrep -x dpkg >/dev/null; do sleep 5; done
}

# The deb-src entry: an extra file, so the machine's own list is not rewritten.
src_list=/etc/apt/sources.list.d/miravel-deb-src.sources
has_deb_src() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}
if ! has_deb_src; then
  echo "Adding the deb-src entry $src_list"
  "${sudo[@]}" tee "$src_list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
fi
if ! apt-cache showsrc "$package" 2>/dev/null | grep -x "Version: $version" >/dev/null; then
  wait_for_apt
  "${sudo[@]}" apt-get update -qq
fi
if ! apt-cache showsrc "$package" | grep -x "Version: $version" >/dev/null; then
  echo "Debian's sources do not list $package $version" >&2
  exit 1
fi

mkdir -p "$dest"
cd "$dest"
log=$(mktemp)
# The Sources index is trusted only through the signed Release file; an
# unsigned or unverifiable source is an error here (never allowed through).
if ! apt-get source -q --download-only -o APT::Get::AllowUnauthenticated=false \
  "$package=$version" >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
if grep -qiE 'not be authenticated|unauthenticated|NO_PUBKEY|not signed' "$log"; then
  cat "$log" >&2
  echo "apt could not authenticate $package $version" >&2
  exit 1
fi
rm -f "$log"

# Every file of the package once more against the signed index's SHA-256.
apt-cache showsrc "$package" \
  | awk -v want="$version" '
      /^$/ { mine = 0; on = 0; next }
      /^Version: / { mine = ($2 == want) }
      /^Checksums-Sha256:/ { on = 1; next }
      /^[^ ]/ { on = 0 }
      on && mine { print $1 "  " $3 }' \
  | sort -u >"$package.sha256"
[ -s "$package.sha256" ] || {
  echo "No checksums for $package $version" >&2
  exit 1
}
sha256sum --quiet -c "$package.sha256" >&2

upstream=${version#*:}
upstream=${upstream%-*}
folder="$package-${upstream}"
if [ ! -d "$folder" ]; then
  dsc=$(awk '/\.dsc$/ { print $2 }' "$package.sha256")
  # dpkg-source checks the maintainer's signature on the .dsc too, with the
  # keyrings the machine has (debian-keyring, when installed).
  dpkg-source -x "$dsc" "$folder" >&2
fi
echo "$dest/$folder"
