#!/usr/bin/env bash
# Builds the game and runs every test: unit, scene (private Xvfb), audio and end-to-end.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
