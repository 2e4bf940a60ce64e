#!/usr/bin/env bash
# Builds the game and starts it in data/, where it finds its files.
#   ./play.sh --web   builds the browser version and serves it on this machine instead
#   ./play.sh --fullscreen   starts the game in full screen (any other options go to it too)
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = "--web" ]; then
  bash scripts/build-web.sh
  port=${VASK_WEB_PORT:-8000}
  echo "play.sh: open http://127.0.0.1:$port/ in a browser (Ctrl+C here stops the server)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site
fi
bash scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "play.sh: there is no display here, so the game plays itself on a private X server"
  echo "play.sh: and what it showed and played is saved for you to look at and listen to."
  exec bash scripts/showcase.sh
fi
cd data
exec ../build/app/vask "$@"
