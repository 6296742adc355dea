#!/bin/sh
# Prints every tracked figure as a ratio against a baseline measured in the same run.
set -e
cd "$(dirname "$0")/.."
cmake --build --preset x64 >/dev/null
cmake/wine-run.sh build/x64/bench/bench_compose.exe "$@"
