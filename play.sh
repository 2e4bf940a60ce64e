#!/usr/bin/env bash
# Builds the game and starts it in data/, where it finds its files.
#   ./play.sh --web   builds the browser version and serves it on this machine instead, with
#                     a relay beside it for playing together (Ctrl+C stops both)
#   ./play.sh --relay   builds the relay and starts it alone, on 127.0.0.1:8765 (any other
#                       options go to it: ./play.sh --relay --listen 0.0.0.0:8765)
#   ./play.sh --fullscreen   starts the game in full screen (any other options go to it too)
set -euo pipefail
cd "$(dirname "$0")"

# The relay, built in build/ (only it, when the rest is there or not).
build_relay() {
  bash scripts/install-packages.sh scripts/packages.txt
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build --target vask-relay -j"$(nproc)"
}

if [ "${1:-}" = "--relay" ]; then
  shift
  build_relay
  echo "play.sh: the relay runs until Ctrl+C here"
  exec build/relay/vask-relay "$@"
fi
if [ "${1:-}" = "--web" ]; then
  bash scripts/build-web.sh
  build_relay
  port=${VASK_WEB_PORT:-8000}
  # Both run in the background, where a script's children do not hear Ctrl+C: the trap
  # stops them both, on Ctrl+C, on kill, or when either ends by itself.
  relay_pid=""
  site_pid=""
  stop() {
    trap - INT TERM EXIT
    if [ -n "$site_pid" ]; then kill "$site_pid" 2>/dev/null || true; fi
    if [ -n "$relay_pid" ]; then kill "$relay_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
  }
  trap 'stop; exit 130' INT
  trap 'stop; exit 143' TERM
  trap stop EXIT
  build/relay/vask-relay --listen 127.0.0.1:8765 &
  relay_pid=$!
  python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site &
  site_pid=$!
  echo "play.sh: open http://127.0.0.1:$port/ in a browser; the relay is ws://127.0.0.1:8765"
  echo "play.sh: (Ctrl+C here stops both)"
  status=0
  wait -n "$relay_pid" "$site_pid" || status=$?
  echo "play.sh: the relay or the web server ended; stopping the other" >&2
  exit "$status"
fi
bash scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "play.sh: there is no display here, so the game plays itself on a private X server"
  echo "play.sh: and what it showed and played is saved for you to look at and listen to."
  exec bash scripts/showcase.sh
fi
cd data
exec ../build/app/vask "$@"
