#!/bin/bash
# Runs one Windows program under Wine with a pinned environment:
# the project's own prefix under build/, silent Wine, a fixed locale and time
# zone, one long-lived wineserver and a virtual X display.
#   wine-run.sh prog.exe args...   run a program
#   wine-run.sh --up               prepare prefix, display and server (CTest fixture)
#   wine-run.sh --down             stop the server and the display
# QM_LOCALE=ja selects ANSI code page 932 (Shift-JIS); anything else 1252.
# QM_DISPLAY=host keeps the caller's DISPLAY instead of the virtual one.
# QM_WINE_STATE names the folder of prefix, display and server state; each
# build folder has its own, so that separate builds never share a server.
# QM_WINE_ARCH=x86 runs through the private loader folder build/x86-loader,
# which starts 32-bit programs under qemu-i386 (cmake/x86-loader.sh); the
# prefix is a 64-bit (WoW64) one either way.
# QM_CAPTURE=1 collects the program's output in files and prints it when the
# program has ended: every process it starts shares Wine's own output
# channel, and one that lingers after the program must not hold the caller's
# pipe open (the test runner would wait for it).
# QM_HEAP_LOG=file (with QM_CAPTURE=1) appends the heap checker's messages of
# the program and of every process it started to file, and leaves the heap
# trace out of what is printed.
set -e
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${QM_WINE_STATE:-$ROOT/build/x64/wine}"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
mkdir -p "$BUILD"
if [ "$QM_WINE_ARCH" = x86 ]; then
    LOADER="$ROOT/build/x86-loader"
    "$ROOT/cmake/x86-loader.sh" "$LOADER" || exit 1
    WINE="$LOADER/lib/wine/wine64"
    WINESERVER="$LOADER/lib/wine/wineserver"
fi
export WINEPREFIX="$BUILD/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# Without winemenubuilder a shortcut that a test's setup puts in the Start
# menu stays in the prefix instead of reaching the Linux desktop's menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export TZ=UTC
unset LANG LANGUAGE LC_CTYPE LC_MESSAGES
if [ "$QM_LOCALE" = ja ]; then
    # Without the Linux locale Wine passes arguments and file names as 7-bit text.
    export LOCPATH="$ROOT/build/locale"
    if [ ! -d "$LOCPATH/ja_JP.UTF-8" ]; then
        mkdir -p "$LOCPATH"
        localedef -i ja_JP -f UTF-8 "$LOCPATH/.ja.$$" 2>/dev/null || true
        mv -T "$LOCPATH/.ja.$$" "$LOCPATH/ja_JP.UTF-8" 2>/dev/null || rm -rf "$LOCPATH/.ja.$$"
    fi
    { export LC_ALL=ja_JP.UTF-8; } 2>/dev/null
else
    export LC_ALL=C.UTF-8
fi

exec 9>"$BUILD/.wine-run.lock"

# Raised whenever prefix_up changes, so that older prefixes are made again.
PREFIX_VERSION=3

prefix_up() {
    [ "$(cat "$WINEPREFIX/.qm-ready" 2>/dev/null)" = "$PREFIX_VERSION" ] && return 0
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
    # No window manager: unmanaged windows avoid a 2 s delay per destroyed window.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # A crashed test program must end with its exception code, not wait in a
    # debugger; 32-bit programs read the 32-bit view of the key.
    for view in /reg:64 /reg:32; do
        "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f $view >/dev/null 2>&1
        "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f $view >/dev/null 2>&1
    done
    # Tahoma makes "MS Shell Dlg 2" enumerate, as on Windows.
    cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    # The link's faces ("Segoe UI", else "Verdana", else "Arial") are not here,
    # and Wine would draw it in a fixed-pitch face: Liberation Sans has Arial's
    # metrics, those Windows users see.
    for face in Arial Verdana; do
        "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'Liberation Sans' /f >/dev/null 2>&1
    done
    "$WINESERVER" -w
    echo "$PREFIX_VERSION" >"$WINEPREFIX/.qm-ready"
}

display_up() {
    [ "$QM_DISPLAY" = host ] && [ -n "$DISPLAY" ] && return 0
    local pid
    if [ -f "$BUILD/.xvfb.pid" ]; then
        pid=$(cat "$BUILD/.xvfb.pid")
        if kill -0 "$pid" 2>/dev/null; then
            export DISPLAY=":$(cat "$BUILD/.xvfb.display")"
            return 0
        fi
    fi
    # A server left from an earlier display would keep talking to the dead one.
    "$WINESERVER" -k 2>/dev/null || true
    rm -f "$BUILD/.xvfb.display"
    setsid Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$BUILD/.xvfb.display" >/dev/null 2>&1 &
    echo $! >"$BUILD/.xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$BUILD/.xvfb.display" ] && break
        sleep 0.05
    done
    export DISPLAY=":$(tr -d '\n' <"$BUILD/.xvfb.display")"
    echo "${DISPLAY#:}" >"$BUILD/.xvfb.display"
}

down() {
    "$WINESERVER" -k 2>/dev/null || true
    if [ -f "$BUILD/.xvfb.pid" ]; then
        kill "$(cat "$BUILD/.xvfb.pid")" 2>/dev/null || true
        rm -f "$BUILD/.xvfb.pid" "$BUILD/.xvfb.display"
    fi
}

flock 9
case "$1" in
--down) down; exit 0 ;;
esac
prefix_up
display_up
server_up() {
    local socket
    socket="/tmp/.wine-$(id -u)/$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))/socket"
    [ -S "$socket" ] && return 0
    # One server for the whole run: later starts take 0.1 s instead of 3 s.
    # Started apart from the caller's output, which it would otherwise hold open.
    "$WINESERVER" -p 60 </dev/null >/dev/null 2>&1 || true
    "$WINE" wineboot </dev/null >/dev/null 2>&1 || true
}

server_up
flock -u 9
[ "$1" = --up ] && exit 0
if [ "$QM_CAPTURE" = 1 ]; then
    out=$(mktemp "$BUILD/.out.XXXXXX")
    err=$(mktemp "$BUILD/.err.XXXXXX")
    rc=0
    "$WINE" "$@" >"$out" 2>"$err" </dev/null || rc=$?
    if [ -n "$QM_HEAP_LOG" ]; then
        { grep -a ":heap:" "$err" | grep -av ":trace:heap:" | sed "s|^|${1##*/}: |" >>"$QM_HEAP_LOG"; } || true
        { grep -av ":trace:heap:" "$err" >"$err.kept"; } || true
        mv -f "$err.kept" "$err"
    fi
    cat "$out"
    cat "$err" >&2
    rm -f "$out" "$err"
    exit $rc
fi
exec "$WINE" "$@"
