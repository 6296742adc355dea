#!/bin/sh
# Sets up a new machine, builds both targets and starts Quillmoor under Wine:
# on your X display when there is one; without a display on a virtual one,
# saving a picture of the dialog to build/quillmoor.png and closing it.
# Arguments go to Quillmoor (its one argument is the initial local folder).
set -e
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset x86 >/dev/null
cmake --build --preset x86
cmake --preset x64 >/dev/null
cmake --build --preset x64
if [ -n "$DISPLAY" ]; then
    # The clients belong beside the program; the build folder has none.
    echo "run: Quillmoor on $DISPLAY (put cvs.exe, svn.exe, svnadmin.exe into build/x64 to use them)"
    QM_DISPLAY=host exec cmake/wine-run.sh build/x64/Quillmoor.exe "$@"
fi
exec scripts/screenshot.sh build/quillmoor.png "$@"
