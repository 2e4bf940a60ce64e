#!/usr/bin/env bash
# Installs from Debian the packages named in the lists given (one a line) that are missing,
# none of what they merely recommend, with one apt-get update and one apt-get install for
# all the lists together. Through sudo when not run as root. Extra packages may be named
# after the lists with --also PKG...
# Usage: scripts/install-packages.sh LIST... [--also PKG...]
set -euo pipefail
cd "$(dirname "$0")/.."

wanted=()
while [ $# -gt 0 ]; do
  if [ "$1" = --also ]; then
    shift
    wanted+=("$@")
    break
  fi
  while read -r pkg; do
    [ -n "$pkg" ] && wanted+=("$pkg")
  done <"$1"
  shift
done

missing=()
for pkg in $(printf '%s\n' "${wanted[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# Another install may hold dpkg's lock (the test command installs the later stages'
# packages while the first build runs): wait for it rather than fail.
lock=(-o DPkg::Lock::Timeout=1200)
$sudo apt-get "${lock[@]}" update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}"
