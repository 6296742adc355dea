#!/bin/sh
# Sets up a new machine, builds both targets and starts Quillmoor under Wine:
# on your X display when there is one; without a display on a virtual one,
# saving a picture of the dialog to build/quillmoor.png and closing it.
#   run.sh [--x86|--x64] [folder]    (x64 unless --x86; the folder is
#                                     Quillmoor's one argument)
# The run has a Wine prefix of its own (build/<arch>/run-wine), so nothing
# the tests leave in theirs ever shows in the dialog.
set -e
cd "$(dirname "$0")/.."
arch=x64
case "$1" in
--x86) arch=x86; shift ;;
--x64) shift ;;
esac
scripts/setup.sh
for target in x86 x64; do
    cmake --preset $target >/dev/null
    cmake --build --preset $target
done
if [ -n "$DISPLAY" ]; then
    # The clients belong beside the program; the build folder has none.
    echo "run: Quillmoor ($arch) on $DISPLAY (put cvs.exe, svn.exe, svnadmin.exe into build/$arch to use them)"
    export QM_WINE_STATE="$PWD/build/$arch/run-wine"
    [ $arch = x86 ] && export QM_WINE_ARCH=x86
    QM_DISPLAY=host exec cmake/wine-run.sh build/$arch/Quillmoor.exe "$@"
fi
exec scripts/screenshot.sh --$arch build/quillmoor.png "$@"
