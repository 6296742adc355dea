#!/bin/sh
# Installs what a new Debian machine lacks for building and testing, then
# builds the private loader folder that runs 32-bit programs (build/x86-loader).
# Idempotent: when every package is present it only checks and returns.
set -e
cd "$(dirname "$0")/.."
# wine32 and the multilib compiler (for the loader's shim) are 32-bit
# packages; qemu-user runs Wine's 32-bit loader on a kernel without IA32.
PKGS="g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
wine wine64 wine32:i386 qemu-user gcc-multilib fonts-wine xvfb xauth imagemagick fp-utils nsis locales \
cmake googletest libchm-bin zip fonts-liberation2 python3"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
# Prints the apt options that read the security suite through
# scripts/apt-relay.py, which it starts.
start_relay() {
    dir=$(mktemp -d)
    python3 scripts/apt-relay.py 8765 "$dir/ready" amd64 i386 </dev/null >/dev/null 2>&1 &
    for _ in $(seq 120); do [ -e "$dir/ready" ] && break; sleep 0.5; done
    keys=/usr/share/keyrings/debian-archive-keyring.gpg
    cat >"$dir/sources.list" <<EOF
deb [signed-by=$keys] http://deb.debian.org/debian bookworm main
deb [signed-by=$keys] http://deb.debian.org/debian bookworm-updates main
deb [trusted=yes arch=amd64] http://127.0.0.1:8765/amd64/ ./
deb [trusted=yes arch=i386] http://127.0.0.1:8765/i386/ ./
EOF
    echo "-o Dir::Etc::sourcelist=$dir/sources.list -o Dir::Etc::sourceparts=-"
}
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    # A mirror in the middle of a sync fails an index now and then: try again,
    # then take the security suite's index unchecked through a relay.
    apt=""
    for try in 1 2 3 4; do
        [ $try = 4 ] && apt=$(start_relay) && trap "pkill -f scripts/apt-relay.py" EXIT
        $SUDO apt-get $apt update -qq && break
        [ $try = 4 ] && exit 1
        sleep 20
    done
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get $apt install -y -qq --no-install-recommends $missing >/dev/null
fi
cmake/x86-loader.sh build/x86-loader
