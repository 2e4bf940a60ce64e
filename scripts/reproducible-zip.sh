#!/usr/bin/env bash
# Zips a folder so that the same files always give the same bytes, whenever and wherever
# they were made: every entry dated SOURCE_DATE_EPOCH (1980-01-01, zip's first day, when
# unset), the entries in byte order, no extra fields (Unix times and owners), and the modes
# the umask of whoever made the files cannot change: 0644, and 0755 for programs and folders.
#   scripts/reproducible-zip.sh <zip> <folder> [pattern to leave out...]
# The zip holds the folder by its own name. The folder's files are touched to that date and
# given those modes.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 <zip> <folder> [pattern to leave out...]" >&2; exit 2; }
zip_file=$(realpath -m "$1")
folder=$(realpath "$2")
shift 2
# zip stores local time: in UTC, the stored date is the same in every time zone.
export TZ=UTC
epoch=${SOURCE_DATE_EPOCH:-315532800}
leave_out=()
for pattern in "$@"; do leave_out+=(-x "$pattern"); done
cd "$(dirname "$folder")"
base=$(basename "$folder")
find "$base" -exec touch -h -d "@$epoch" {} +
find "$base" ! -type l -exec chmod u=rwX,go=rX {} +
rm -f "$zip_file"
find "$base" -type f | LC_ALL=C sort | zip -X -D -q "$zip_file" -@ "${leave_out[@]}"
