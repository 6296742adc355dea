#!/bin/sh
# help_chm.sh Quillmoor.chm help-source-folder
# The compiled help holds the topic the program opens, unchanged.
set -e
chm="$1"
src="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
[ -f "$chm" ] || { echo "missing $chm"; exit 1; }
extract_chmLib "$chm" "$work/out" >"$work/list"
grep -qx -- '--> /Main.html' "$work/list" || { echo "no /Main.html in $chm"; cat "$work/list"; exit 1; }
cmp "$src/Main.html" "$work/out/Main.html"
echo "Main.html found in $chm"
