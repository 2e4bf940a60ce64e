#!/usr/bin/env bash
# The release's cheap parts, without building a release:
#  - scripts/reproducible-zip.sh gives the same bytes for the same files made twice, in
#    another order, at other times and under another time zone; its entries are in byte
#    order, dated SOURCE_DATE_EPOCH, and leave out what they are told to;
#  - scripts/release.sh takes its version from the CMake project (the one CMake read).
#   release_archives_test.sh <source folder> <the project's version>
set -euo pipefail
src=$1 version=$2
zipper=$src/scripts/reproducible-zip.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The same files, made in the given order, each dated a different time.
make_folder() {
  local dir=$1; shift
  rm -rf "$dir"
  mkdir -p "$dir/pack/sub"
  local age=100
  for f in "$@"; do
    printf 'contents of %s\n' "$f" > "$dir/pack/$f"
    touch -d "@$(( $(date +%s) - age ))" "$dir/pack/$f"
    age=$(( age + 7919 ))
  done
}
export SOURCE_DATE_EPOCH=1700000000
make_folder "$work/a" b.txt a.txt sub/z.bin Z.txt sub/a.gz
make_folder "$work/b" sub/a.gz Z.txt sub/z.bin a.txt b.txt
bash "$zipper" "$work/first.zip" "$work/a/pack" '*.gz'
sleep 1
TZ=America/New_York bash "$zipper" "$work/second.zip" "$work/b/pack" '*.gz'
cmp -s "$work/first.zip" "$work/second.zip" || fail "the same files zipped twice differ"

listed=$(zipinfo -1 "$work/first.zip")
wanted=$(printf '%s\n' pack/Z.txt pack/a.txt pack/b.txt pack/sub/z.bin)
[ "$listed" = "$wanted" ] || fail "entries not the files in byte order, without *.gz: $(echo $listed)"
dates=$(TZ=UTC zipinfo -T "$work/first.zip" | awk '/^-/ { print $7 }' | sort -u)
# zip keeps even seconds: 2023-11-14 22:13:20 UTC.
[ "$dates" = "20231114.221320" ] || fail "entries dated $(echo $dates), not SOURCE_DATE_EPOCH's 20231114.221320"

got=$(bash "$src/scripts/release.sh" --version)
[ "$got" = "$version" ] || fail "release.sh reads version \"$got\", CMake's project is \"$version\""
echo "release archives: reproducible zip and version $version"
