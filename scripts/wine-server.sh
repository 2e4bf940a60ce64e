#!/usr/bin/env bash
# Keeps one Wine server up for a whole run of the Windows tests, so each program starts in
# a fraction of a second instead of bringing up Wine afresh.
# Usage: wine-server.sh BUILD up|down
set -eu
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh" "$1"
case $2 in
  # A server left up by an earlier run (or another build's tests) serves as well: -p then
  # answers 2, and -k0 (signal 0) tells whether a server of this prefix is really up.
  up)
    vask_wine_prefix
    [ -f "$WINEPREFIX/.vask-ready" ] || { echo "wine-server: the Wine prefix could not be made" >&2; exit 1; }
    started=0
    wineserver -p </dev/null >/dev/null 2>&1 || started=$?
    [ "$started" = 0 ] || [ "$started" = 2 ] || { echo "wine-server: wineserver -p failed ($started)" >&2; exit 1; }
    wineserver -k0 || { echo "wine-server: no Wine server is up for $WINEPREFIX" >&2; exit 1; }
    ;;
  # Ends the server and waits until it and its helpers are gone, so the next run's server
  # starts afresh. -k answers 1 when no server was up: then there is nothing to end.
  down)
    wineserver -k0 && { wineserver -k || exit 1; }
    wineserver -w
    ;;
  *) echo "usage: wine-server.sh BUILD up|down" >&2; exit 2 ;;
esac
