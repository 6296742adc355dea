#!/bin/sh
# Runs every test once more under Wine's heap checker and fails on any report
# of a damaged heap. Expects the x64 build of scripts/test.sh.
set -e
cd "$(dirname "$0")/.."
log=build/x64/heapcheck.log
WINEDEBUG=warn+heap ctest --preset x64 --output-on-failure >"$log" 2>&1 || { tail -40 "$log"; exit 1; }
if grep -E "(warn|err):heap" "$log" >/dev/null; then
    grep -E "(warn|err):heap" "$log" | head -20
    echo "heapcheck: heap damage reported (see $log)"
    exit 1
fi
echo "heapcheck: no heap warnings in $(grep -cE 'Test +#[0-9]+:' "$log") tests"
