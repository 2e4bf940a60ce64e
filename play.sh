#!/usr/bin/env bash
# Builds the game and starts it in data/, where it finds its files.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "play.sh: there is no display here, so the game plays itself on a private X server"
  echo "play.sh: and what it showed and played is saved for you to look at and listen to."
  exec bash scripts/showcase.sh
fi
cd data
exec ../build/app/vask
