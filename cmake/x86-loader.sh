#!/bin/sh
# Builds the private Wine loader folder that runs 32-bit Windows programs on a
# kernel without 32-bit support: Wine's 32-bit loader runs under qemu-i386.
#   x86-loader.sh DIR      build (or refresh) DIR; prints one line and fails
#                          when something it needs is missing
# Wine 8 starts a 32-bit program through "wine-preloader" found beside the
# real path of its own loader, so the folder holds copies of the loaders, a
# wine-preloader script running qemu-i386, and links to the library folders
# and share/wine (the nls files). Use DIR/lib/wine/wine64 with a 64-bit
# (WoW64) prefix: only the 32-bit programs themselves run under emulation.
set -e
DIR="$1"
SRC="$(cd "$(dirname "$0")" && pwd)"
[ -n "$DIR" ] || { echo "x86-loader: no folder given" >&2; exit 2; }
for f in /usr/lib/wine/wine /usr/lib/wine/wine64 /usr/lib/wine/wineserver /usr/bin/qemu-i386; do
    [ -x "$f" ] || { echo "x86-loader: $f is missing (packages wine32:i386, wine64, qemu-user; run scripts/setup.sh)" >&2; exit 1; }
done
WINE="$DIR/lib/wine"
SHIM="$WINE/qm-shim32.so"
mkdir -p "$WINE" "$DIR/share"
# Test runners call this at every start, several at a time.
exec 8>"$DIR/.lock"
flock 8
if [ ! -f "$SHIM" ] || [ "$SRC/x86-shim.c" -nt "$SHIM" ]; then
    gcc -m32 -O2 -Wall -shared -fPIC -o "$SHIM.tmp" "$SRC/x86-shim.c" -ldl 2>"$DIR/shim.log" ||
        { echo "x86-loader: gcc -m32 cannot build the shim (package gcc-multilib; see $DIR/shim.log)" >&2; exit 1; }
    mv -f "$SHIM.tmp" "$SHIM"
fi
for f in wine wine64; do
    cmp -s "/usr/lib/wine/$f" "$WINE/$f" || cp -f "/usr/lib/wine/$f" "$WINE/$f"
done
ln -sfn /usr/lib/wine/wineserver "$WINE/wineserver"
ln -sfn /usr/lib/i386-linux-gnu "$DIR/lib/i386-linux-gnu"
ln -sfn /usr/lib/x86_64-linux-gnu "$DIR/lib/x86_64-linux-gnu"
ln -sfn /usr/share/wine "$DIR/share/wine"
cat >"$WINE/wine-preloader.tmp" <<SCRIPT
#!/bin/sh
# Wine runs this as: wine-preloader <32-bit loader> arguments...
exec /usr/bin/qemu-i386 -E LD_PRELOAD=$SHIM "\$@"
SCRIPT
chmod +x "$WINE/wine-preloader.tmp"
mv -f "$WINE/wine-preloader.tmp" "$WINE/wine-preloader"
