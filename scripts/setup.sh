#!/usr/bin/env bash
# Installs what the game needs from Debian (only what is missing, and none of what those
# packages merely recommend: a fresh machine would fetch some 140 more, LLVM's headers and
# libraries, Ghostscript and GTK among them, that nothing here uses) and builds it into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
while read -r pkg; do
  [ -z "$pkg" ] && continue
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done < scripts/packages.txt

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build build -j"$(nproc)"
