#!/bin/sh
# Runs the x64 suite once more under Wine's heap checker and fails on any heap
# message of any process. The test programs check with guard bytes and
# validate their own heap after every test; the programs they start
# (Quillmoor, Tackhouse, the fake clients), whose heaps no test can see,
# validate their whole heap on every call. Their messages share the test
# program's error output, which the runner searches. Tests that make a
# program fault are left out: a minidump under full validation takes minutes.
# So are the code page 932 runs, whose filters would override that choice;
# they run the same programs.
# Then proves the check with a canary: a program that a test starts damages
# its heap, and that must be reported. Expects the x64 build of scripts/test.sh.
set -e
cd "$(dirname "$0")/.."
build=build/x64
log=$build/heapcheck.log
heap=$build/heapcheck-heap.log
canary=$build/heapcheck-canary.log
: >"$heap"
: >"$canary"
export WINEDEBUG=warn+heap QM_CHILD_WINEDEBUG=+heap
export GTEST_FILTER='-CrashReport.*Fault*:CrashReport.WithoutDbghelp*:CrashReport.ADumpThatNeverEnds*:ProgramFault.*:Reliability.Fault*:Program.RunsFromAFolderInAnyLanguage'
QM_HEAP_LOG="$PWD/$heap" ctest --preset x64 -E -cp932 --output-on-failure >"$log" 2>&1 ||
    { tail -40 "$log"; echo "heapcheck: tests failed under the heap checker (see $log)"; exit 1; }
if [ -s "$heap" ]; then
    head -20 "$heap"
    echo "heapcheck: heap damage reported (see $heap)"
    exit 1
fi
programs=$(grep -E 'Test +#[0-9]+: ' "$log" | grep -cvE ': (wine-up|wine-down|installer-package|help_chm) ')
QM_HEAP_LOG="$PWD/$canary" ctest --test-dir $build -L canary >/dev/null 2>&1 || true
if ! grep -q "err:heap" "$canary"; then
    echo "heapcheck: the canary's damaged heap went unreported: the check sees nothing"
    exit 1
fi
echo "heapcheck: no heap messages from $programs test programs and the programs they start; the canary was caught"
