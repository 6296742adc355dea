#!/bin/sh
# Sets up a new machine, builds both targets and starts Quillmoor under Wine.
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset x86 >/dev/null
cmake --build --preset x86
cmake --preset x64 >/dev/null
cmake --build --preset x64
if [ ! -f build/x64/Quillmoor.exe ]; then
    echo "run: the dialog does not exist yet; the build is all there is to run."
    exit 0
fi
exec cmake/wine-run.sh build/x64/Quillmoor.exe "$@"
