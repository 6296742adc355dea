#!/bin/bash
# Builds what the benchmarks need and prints every tracked figure, each against
# a baseline measured in the same run:
#   1. start-up to a ready dialog, against a minimal dialog program
#   2. settings load with 100, 1,000 and 10,000 history entries per list
#   3. per-operation overhead of a button press, against starting the client directly
#   4. composition cost of the client lines, against plain copies
#   5. program sizes of both targets, stripped, with the DLLs they import
# The 64-bit build runs under Wine in a prefix of the benchmarks' own
# (<x64 build>/bench/wine), so the tests' prefix and settings are never touched.
# Build folders: QM_BENCH_X64 (default build/x64) and QM_BENCH_X86 (default build/x86).
set -e -o pipefail
cd "$(dirname "$0")/.."
ROOT="$PWD"
X64="${QM_BENCH_X64:-build/x64}"
X86="${QM_BENCH_X86:-build/x86}"
case "$X64" in /*) ;; *) X64="$ROOT/$X64" ;; esac
case "$X86" in /*) ;; *) X86="$ROOT/$X86" ;; esac

scripts/setup.sh

build() { # folder preset targets...
    local dir="$1" preset="$2"
    shift 2
    local log="$dir/bench-build.log"
    mkdir -p "$dir"
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake --preset "$preset" -B "$dir" >"$log" 2>&1 || { cat "$log"; exit 1; }
    fi
    cmake --build "$dir" -j2 --target "$@" >"$log" 2>&1 || { cat "$log"; exit 1; }
}
echo "bench: building $X86 and $X64"
build "$X86" x86 Quillmoor Tackhouse bench_dialog
build "$X64" x64 Quillmoor Tackhouse bench_dialog bench_client bench_compose bench_startup bench_operation

export QM_WINE_STATE="$X64/bench/wine"
trap 'cmake/wine-run.sh --down >/dev/null 2>&1 || true' EXIT
cmake/wine-run.sh --up

run() { # program args...: Wine's CR LF lines as plain lines
    cmake/wine-run.sh "$X64/bench/$1" "${@:2}" | tr -d '\r'
}

echo "bench: $(date -u '+%Y-%m-%d %H:%M UTC'), load average $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
echo
run bench_startup.exe
echo
run bench_operation.exe
echo
run bench_compose.exe
echo

echo "program sizes, stripped copies (baseline: the minimal dialog program of the same target)"
printf '  %-6s %-18s %12s %12s %9s   %s\n' target program unstripped stripped ratio imports
scratch="$X64/bench/scratch/sizes"
mkdir -p "$scratch"
for target in x86 x64; do
    if [ $target = x86 ]; then dir="$X86" triple=i686-w64-mingw32; else dir="$X64" triple=x86_64-w64-mingw32; fi
    base=0
    for exe in bench/bench_dialog.exe Quillmoor.exe Tackhouse.exe; do
        copy="$scratch/$target-$(basename "$exe")"
        cp "$dir/$exe" "$copy"
        "$triple-strip" "$copy"
        full=$(stat -c %s "$dir/$exe")
        stripped=$(stat -c %s "$copy")
        [ "$base" = 0 ] && base=$stripped
        dlls=$("$triple-objdump" -p "$copy" | awk '/DLL Name:/ { print $3 }' | tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')
        printf '  %-6s %-18s %9d KiB %9d KiB %7.2f x   %s\n' $target "$(basename "$exe")" $((full / 1024)) \
            $((stripped / 1024)) "$(echo "$stripped $base" | awk '{ print $1 / $2 }')" "$dlls"
    done
done
