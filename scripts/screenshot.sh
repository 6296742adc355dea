#!/bin/sh
# Starts the built Quillmoor on the virtual display, saves a picture of its
# dialog and closes it again.
#   screenshot.sh [--x86|--x64] [picture (default build/quillmoor.png)] [folder]
# It uses the prefix of scripts/run.sh (build/<arch>/run-wine), not the tests'.
set -e
cd "$(dirname "$0")/.."
arch=x64
case "$1" in
--x86) arch=x86; shift ;;
--x64) shift ;;
esac
out="${1:-build/quillmoor.png}"
state="$PWD/build/$arch/run-wine"
log="$state/screenshot.log"
export QM_WINE_STATE="$state"
[ $arch = x86 ] && export QM_WINE_ARCH=x86
cmake/wine-run.sh --up
: >"$log"
cmake/wine-run.sh build/$arch/Quillmoor.exe ${2:+"$2"} >"$log" 2>&1 &
pid=$!
# The start-up line comes while the dialog initialises; give it time to paint.
for _ in $(seq 200); do
    grep -q "Quillmoor\." "$log" && break
    sleep 0.1
done
sleep 1.5
DISPLAY=":$(cat "$state/.xvfb.display")" import -window root -trim +repage "$out"
# Ending the prefix's server ends the program too (taskkill does not see a
# 32-bit program here).
cmake/wine-run.sh --down
wait $pid || true
echo "screenshot: $out ($arch)"
