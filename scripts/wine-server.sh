#!/usr/bin/env bash
# Keeps one Wine server up for a whole run of the Windows tests, so each program starts in
# a fraction of a second instead of bringing up Wine afresh.
# Usage: wine-server.sh BUILD up|down
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh" "$1"
case $2 in
  # A server left up by an earlier run (or another build's tests) serves as well.
  up) vask_wine_prefix; wineserver -p </dev/null >/dev/null 2>&1 || true ;;
  # Waits until the server and its helpers are gone, so the next run's server starts afresh.
  down) wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true ;;
esac
