#!/usr/bin/env bash
# Builds the game and starts it in data/, where it finds its files.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "play.sh: there is no display to open the game's window on (DISPLAY is not set)." >&2
  exit 1
fi
cd data
exec ../build/app/vask
