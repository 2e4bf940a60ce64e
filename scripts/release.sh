#!/usr/bin/env bash
# Makes a release of the checked-out commit, into dist/:
#   vask-light-cycles-<version>-windows.zip   the Windows program (scripts/build-windows.sh)
#   vask-light-cycles_<version>_amd64.deb     the Debian package (cpack in build/)
#   vask-light-cycles-<version>-web.zip       the site (scripts/build-web.sh)
#   vask-light-cycles-<version>-source.tar.gz the commit's sources (git archive)
#   SHA256SUMS                                the checksums of all four
# The version is the CMake project's, and nothing else's. Every archive is dated the
# commit's time (SOURCE_DATE_EPOCH) with its entries in sorted order, so a second run from
# the same commit gives the same bytes. Builds in the usual build folders (what is out of
# date), and prints the version and the checksums.
#   scripts/release.sh            the whole release
#   scripts/release.sh --version  only the version it would use
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# The one place the version is written: project(VaskLightCycles VERSION x.y[.z]).
project_version() {
  sed -n 's/^project(VaskLightCycles VERSION \([0-9][0-9.]*\)[ )].*/\1/p' "$1"
}
version=$(project_version CMakeLists.txt)
[ "$(printf '%s\n' "$version" | grep -c .)" = 1 ] ||
  { echo "release: CMakeLists.txt names no single project version" >&2; exit 1; }
if [ "${1:-}" = "--version" ]; then echo "$version"; exit 0; fi

# The archives are of the commit: changes not in it would be in the programs but not in
# the source archive.
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release: the working tree has changes; commit them first" >&2
  exit 1
fi
commit=$(git rev-parse HEAD)
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
export SOURCE_DATE_EPOCH
name=vask-light-cycles-$version
jobs=${VASK_JOBS:-2}

echo "== Vask Light Cycles $version, commit $commit =="
dist=$root/dist
rm -rf "$dist"
mkdir -p "$dist"

# The Linux build and its Debian package. The package's binaries are stripped, so no build
# path goes in with them.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && cpack -G DEB >/dev/null)
deb=build/vask-light-cycles_${version}_amd64.deb
[ -f "$deb" ] || { echo "release: cpack made no $deb" >&2; exit 1; }
cp "$deb" "$dist/"

# The linker writes SOURCE_DATE_EPOCH into vask.exe's header as its time: relinked here, a
# program linked earlier (at its own time, or another commit's) never goes into the zip.
rm -f build-windows/app/vask.exe
VASK_JOBS=$jobs bash scripts/build-windows.sh
cp build-windows/vask-light-cycles-windows.zip "$dist/$name-windows.zip"

VASK_JOBS=$jobs bash scripts/build-web.sh
cp build-web/vask-light-cycles-web.zip "$dist/$name-web.zip"

# git archive dates every entry the commit's time and compresses with gzip -n.
git archive --format=tar.gz --prefix="$name/" -o "$dist/$name-source.tar.gz" HEAD

(cd "$dist" && LC_ALL=C sha256sum -- *.zip *.deb *.tar.gz | LC_ALL=C sort -k2 > SHA256SUMS)
echo "== Vask Light Cycles $version: dist/ =="
cat "$dist/SHA256SUMS"
