#!/usr/bin/env bash
# Installs what the game needs from Debian (only what is missing, and none of what those
# packages merely recommend: a fresh machine would fetch some 140 more, LLVM's headers and
# libraries, Ghostscript and GTK among them, that nothing here uses) and builds it into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh scripts/packages.txt

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build build -j"$(nproc)"
