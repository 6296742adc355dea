#!/bin/sh
# Sets up a new machine, builds both targets and runs every test under Wine.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset x86 >/dev/null
cmake --build --preset x86
cmake --preset x64 >/dev/null
cmake --build --preset x64
ctest --preset x64 "$@"
