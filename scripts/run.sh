#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Miravel and shows the authoring
# command at work on the sample test: it compiles examples/history.txt into
# an enciphered test file and decodes that file back.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null
make=build/default/tools/miravel-make/miravel-make
out=build/default/examples/history.DLL
"$make" examples/history.txt -o "$out"
echo "Made $out ($(stat -c %s "$out") bytes). Decoded back:"
echo
"$make" --decode "$out"
