#!/bin/sh
# Checks that a commit builds to the same bytes wherever and whenever it is
# built: clones it twice into folders of different names, builds the
# programs and packages of both targets in each, one after the other (the
# second under another time zone and umask), and compares them.
#   reproducible.sh [commit]        (default: HEAD; uncommitted changes are not built)
# Programs (Quillmoor.exe, Tackhouse.exe, both targets), the help and the ZIP
# packages must match: the script fails otherwise. The setup programs are
# compared and reported as well. The clones stay under build/reproducible
# until the next run.
set -e
cd "$(dirname "$0")/.."
commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
scripts/setup.sh
top="$PWD/build/reproducible"
rm -rf "$top"
mkdir -p "$top"

build() {
    dir=$1
    git clone -q --no-checkout "$PWD" "$dir"
    git -C "$dir" checkout -q "$commit"
    for arch in x86 x64; do
        # Only what ships: the programs, the help, the packages.
        (cd "$dir" && cmake --preset $arch -DBUILD_TESTING=OFF &&
            cmake --build build/$arch --target QuillmoorSetup -j 2) >>"$dir.log" 2>&1 ||
            { tail -30 "$dir.log"; echo "reproducible: the build in $dir failed (see $dir.log)"; exit 1; }
    done
}

echo "reproducible: building $commit in $top/first"
build "$top/first"
echo "reproducible: building it again in $top/second-clone (TZ=Asia/Tokyo, umask 027)"
(umask 027; export TZ=Asia/Tokyo; build "$top/second-clone")

rc=0
for arch in x86 x64; do
    for file in Quillmoor.exe Tackhouse.exe Quillmoor.chm Quillmoor-1.04-$arch.zip QuillmoorSetup-$arch.exe; do
        a="$top/first/build/$arch/$file"
        b="$top/second-clone/build/$arch/$file"
        sum=$(sha256sum <"$a" | cut -c1-16)
        if cmp -s "$a" "$b"; then
            verdict=identical
        else
            verdict=DIFFERENT
            case $file in QuillmoorSetup-*) ;; *) rc=1 ;; esac
        fi
        printf '  %-4s %-26s %9d bytes  %s  %s\n' $arch "$file" "$(stat -c %s "$a")" "$sum" $verdict
    done
done
date=$(git log -1 --format=%cd --date=iso-strict "$commit")
[ $rc = 0 ] && echo "reproducible: both builds of $commit (dated $date) are identical" ||
    echo "reproducible: the builds differ"
exit $rc
