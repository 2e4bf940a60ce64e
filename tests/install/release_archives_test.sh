#!/usr/bin/env bash
# The release's cheap parts, without building a release:
#  - scripts/reproducible-zip.sh gives the same bytes for the same files made twice, in
#    another order, at other times, under another time zone and another umask; its entries
#    are in byte order, dated SOURCE_DATE_EPOCH, readable by all and writable by their
#    owner (programs runnable by all), and leave out what they are told to;
#  - scripts/release.sh takes its version from the CMake project (the one CMake read).
#   release_archives_test.sh <source folder> <the project's version>
set -euo pipefail
src=$1 version=$2
zipper=$src/scripts/reproducible-zip.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The same files, made in the given order, each dated a different time; run.sh is a program.
make_folder() {
  local dir=$1; shift
  rm -rf "$dir"
  mkdir -p "$dir/pack/sub"
  local age=100
  for f in "$@"; do
    printf 'contents of %s\n' "$f" > "$dir/pack/$f"
    [ "$f" = run.sh ] && chmod +x "$dir/pack/$f"
    touch -d "@$(( $(date +%s) - age ))" "$dir/pack/$f"
    age=$(( age + 7919 ))
  done
}
export SOURCE_DATE_EPOCH=1700000000
# One tree made and zipped under the usual umask, the other under a private one (a checkout
# or a build by someone who keeps their files to themselves).
(umask 022
 make_folder "$work/a" b.txt a.txt sub/z.bin run.sh Z.txt sub/a.gz
 bash "$zipper" "$work/first.zip" "$work/a/pack" '*.gz')
sleep 1
(umask 077
 make_folder "$work/b" sub/a.gz Z.txt run.sh sub/z.bin a.txt b.txt
 TZ=America/New_York bash "$zipper" "$work/second.zip" "$work/b/pack" '*.gz')
cmp -s "$work/first.zip" "$work/second.zip" ||
  fail "the same files zipped twice differ; modes $(zipinfo "$work/first.zip" | awk '/^-/ { printf "%s ", $1 }')and $(zipinfo "$work/second.zip" | awk '/^-/ { printf "%s ", $1 }')"

listed=$(zipinfo -1 "$work/first.zip")
wanted=$(printf '%s\n' pack/Z.txt pack/a.txt pack/b.txt pack/run.sh pack/sub/z.bin)
[ "$listed" = "$wanted" ] || fail "entries not the files in byte order, without *.gz: $(echo $listed)"
modes=$(zipinfo "$work/second.zip" | awk '/^-/ { print $1, $NF }' | tr '\n' ' ')
[ "$modes" = "-rw-r--r-- pack/Z.txt -rw-r--r-- pack/a.txt -rw-r--r-- pack/b.txt -rwxr-xr-x pack/run.sh -rw-r--r-- pack/sub/z.bin " ] ||
  fail "entries' modes are not 0644, and 0755 for the program: $modes"
dates=$(TZ=UTC zipinfo -T "$work/first.zip" | awk '/^-/ { print $7 }' | sort -u)
# zip keeps even seconds: 2023-11-14 22:13:20 UTC.
[ "$dates" = "20231114.221320" ] || fail "entries dated $(echo $dates), not SOURCE_DATE_EPOCH's 20231114.221320"

got=$(bash "$src/scripts/release.sh" --version)
[ "$got" = "$version" ] || fail "release.sh reads version \"$got\", CMake's project is \"$version\""
echo "release archives: reproducible zip and version $version"
