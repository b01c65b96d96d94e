#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds and runs every test.
#   scripts/test.sh            the normal build (preset "default")
#   scripts/test.sh asan       the address+undefined-sanitizer build
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
bash scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset"
