#!/bin/sh
# Sets up a new machine, builds both targets and runs every test under Wine:
# the x64 suite natively, the x86 suite through the emulated 32-bit loader.
# Arguments go to both ctest runs.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
for arch in x86 x64; do
    cmake --preset $arch >/dev/null
    cmake --build --preset $arch
done
rc=0
ctest --preset x64 "$@" || rc=1
ctest --preset x86 "$@" || rc=1
exit $rc
