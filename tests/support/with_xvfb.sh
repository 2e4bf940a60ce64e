#!/usr/bin/env bash
# Runs a command against a private Xvfb of its own, so tests that open windows never share
# a display with each other or with the desktop. Usage: with_xvfb.sh COMMAND [ARGS...]
# VASK_XVFB_SCREEN sets the screen's size and depth (default 1024x768x24).
# -noreset: by default an X server resets when its last client leaves, and a client that is
# connecting just then is dropped ("cannot open a display"). On a private server, a test's
# short-lived helpers (xdotool, import) are often the only other clients, so their exits
# would reset it under the game. A desktop always has clients, so players never meet this.
set -u
tmp=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "${VASK_XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 1 200); do
  [ -s "$tmp/display" ] && break
  sleep 0.05
done
if [ ! -s "$tmp/display" ]; then
  echo "HARNESS MISS: with_xvfb: Xvfb did not start" >&2
  cat "$tmp/xvfb.log" >&2
  kill "$xvfb" 2>/dev/null
  rm -rf "$tmp"
  exit 1
fi
export DISPLAY=":$(head -n1 "$tmp/display")"
"$@"
rc=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$tmp"
exit $rc
