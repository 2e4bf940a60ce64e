#!/usr/bin/env bash
# Fetches a Debian source package and unpacks it with Debian's patches applied:
#   bash scripts/debian-source.sh <package> <work folder> <unpack into>
# apt is pointed at a private source list, lists folder and cache inside the work folder,
# made from the machine's own Debian sources with their type changed to deb-src, so the
# machine's apt configuration is left as it is. The Windows and the browser builds take
# libjpeg-turbo this way.
set -euo pipefail
package=$1
P=$2
into=$3
rm -rf "$P"
mkdir -p "$P/parts" "$P/lists/partial" "$P/cache/archives/partial" "$P/src"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" > "$P/parts/$(basename "$f")"
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] && grep -E '^deb ' "$f" | sed 's/^deb /deb-src /' >> "$P/parts/from-list.list" || true
done
O=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$P/parts"
   -o "Dir::State::Lists=$P/lists" -o "Dir::Cache=$P/cache")
apt-get "${O[@]}" -qq update
(cd "$P/src" && apt-get "${O[@]}" -qq source --download-only "$package")
dsc=$(ls "$P"/src/"$package"_*.dsc | head -n1)
rm -rf "$into"
dpkg-source --no-check -x "$dsc" "$into" >/dev/null
