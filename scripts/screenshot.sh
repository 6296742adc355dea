#!/bin/sh
# Starts the built Quillmoor on the virtual display, saves a picture of its
# dialog and closes it again.
#   screenshot.sh [--x86|--x64] [--scale PERCENT] [picture (default build/quillmoor.png)] [folder]
# It uses the prefix of scripts/run.sh (build/<arch>/run-wine), not the tests'.
# --scale sets the prefix's display scale (100 = 96 DPI, 150 = 144 DPI) for
# this one start and puts the earlier setting back afterwards.
set -e
cd "$(dirname "$0")/.."
arch=x64
case "$1" in
--x86) arch=x86; shift ;;
--x64) shift ;;
esac
dpi=""
if [ "$1" = --scale ]; then
    dpi=$((96 * $2 / 100))
    shift 2
fi
out="${1:-build/quillmoor.png}"
state="$PWD/build/$arch/run-wine"
log="$state/screenshot.log"
export QM_WINE_STATE="$state"
[ $arch = x86 ] && export QM_WINE_ARCH=x86
cmake/wine-run.sh --up
desktop='HKCU\Control Panel\Desktop'
saved=""
restore() {
    if [ -n "$saved" ]; then
        cmake/wine-run.sh reg add "$desktop" /v LogPixels /t REG_DWORD /d "$((saved))" /f >/dev/null 2>&1
    else
        cmake/wine-run.sh reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true
    fi
}
if [ -n "$dpi" ]; then
    # Wine reads the DPI from here when a program starts.
    saved=$(cmake/wine-run.sh reg query "$desktop" /v LogPixels 2>/dev/null | awk '/LogPixels/ { print $3 }')
    trap restore EXIT
    cmake/wine-run.sh reg add "$desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
fi
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
# Before the server ends: a later start of reg would bring it back.
if [ -n "$dpi" ]; then
    restore
    trap - EXIT
fi
# Ending the prefix's server ends the program too (taskkill does not see a
# 32-bit program here).
cmake/wine-run.sh --down
wait $pid || true
echo "screenshot: $out ($arch${dpi:+, $dpi DPI})"
