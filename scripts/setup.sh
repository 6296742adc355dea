#!/bin/sh
# Installs what a new Debian machine lacks for building and testing.
# Idempotent: when every package is present it only checks and returns.
set -e
PKGS="g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
wine wine64 fonts-wine xvfb xauth imagemagick fp-utils nsis locales cmake googletest libchm-bin zip"
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    echo "setup: installing$missing"
    $SUDO apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
