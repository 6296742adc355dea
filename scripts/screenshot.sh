#!/bin/sh
# Starts the built Quillmoor on the virtual display, saves a picture of its
# dialog (default build/quillmoor.png) and closes it again.
set -e
cd "$(dirname "$0")/.."
out="${1:-build/quillmoor.png}"
state="$PWD/build/x64/wine"
log="$state/screenshot.log"
export QM_WINE_STATE="$state"
cmake/wine-run.sh --up
: >"$log"
cmake/wine-run.sh build/x64/Quillmoor.exe "$2" >"$log" 2>&1 &
pid=$!
# The start-up line comes while the dialog initialises; give it time to paint.
for _ in $(seq 100); do
    grep -q "Quillmoor\." "$log" && break
    sleep 0.1
done
sleep 1.5
DISPLAY=":$(cat "$state/.xvfb.display")" import -window root -trim +repage "$out"
cmake/wine-run.sh taskkill /IM Quillmoor.exe >/dev/null 2>&1 || true
wait $pid || true
echo "screenshot: $out"
