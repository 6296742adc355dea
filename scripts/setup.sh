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
cmake googletest libchm-bin zip"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    $SUDO apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
cmake/x86-loader.sh build/x86-loader
