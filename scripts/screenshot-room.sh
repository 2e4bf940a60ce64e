#!/usr/bin/env bash
# Takes the README's picture of playing together: two Linux games in one room, side by side.
# Starts a relay on a free port of 127.0.0.1 and a private Xvfb, one game that hosts a room
# and another that joins it with the code the host printed (each in a copy of data/ of its
# own), presses a key in each to take a rider, lets them play a few seconds, grabs both
# windows with ImageMagick's import and joins them left (host) to right (guest).
# Usage: scripts/screenshot-room.sh [OUTPUT_PNG]   (default docs/screenshots/play-with-friends.png)
# Builds the game and the relay in build/ when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-$root/docs/screenshots/play-with-friends.png}
game=$root/build/app/vask
relay=$root/build/relay/vask-relay

for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "screenshot-room: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
[ -x "$game" ] && [ -x "$relay" ] || bash scripts/setup.sh
[ -x "$game" ] && [ -x "$relay" ] || { echo "screenshot-room: no game or relay in build/" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
say() { echo "screenshot-room: $*" >&2; }
give_up() { say "$1"; for f in "$work"/*.log; do echo "== ${f##*/}" >&2; tail -n 20 "$f" >&2; done; exit 1; }

# wait_for FILE PATTERN: waits up to 20 s for a line matching PATTERN in FILE.
wait_for() {
  for _ in $(seq 1 200); do
    grep -Eq "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# A private X server wide enough for both windows next to each other, so neither covers
# the other when it is grabbed.
Xvfb -displayfd 3 -screen 0 1320x520x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 1 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || give_up "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

"$relay" --listen 127.0.0.1:0 >"$work/relay.log" 2>&1 &
pids+=($!)
wait_for "$work/relay.log" '^listening on ' || give_up "the relay did not start"
url=ws://$(sed -n 's/^listening on //p' "$work/relay.log" | head -n1)
say "relay at $url"

# start NAME ARGS...: a game in its own copy of data/; sets window to its window's id (both
# windows have the same title, so each is found by its process).
start() {
  local name=$1 pid
  shift
  cp -r "$root/data" "$work/$name"
  (cd "$work/$name" && exec "$game" "$@") >"$work/$name.log" 2>"$work/$name.err.log" &
  pid=$!
  pids+=("$pid")
  window=""
  for _ in $(seq 1 200); do
    window=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Vask Light Cycles' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$window" ] || give_up "the $name's window did not appear"
}

press() {  # press WINDOW KEY...: keys sent to that window, whichever has the focus
  xdotool key --window "$1" --delay 80 "${@:2}"
}

start host --host --relay "$url"
host=$window
wait_for "$work/host.log" '^room [0-9A-Z]{8}$' || give_up "the host made no room"
code=$(sed -n 's/^room //p' "$work/host.log" | head -n1)
say "room $code"
start guest --join "$code" --relay "$url"
guest=$window
xdotool windowmove "$host" 0 0 windowmove "$guest" 660 0
sleep 1

# A key at the title asks for a rider: the host takes the first, the guest the next. Each
# watches from behind its own cycle (V: the chase view) and turns now and then, so both
# walls bend, and the match runs on for a few seconds.
press "$host" g
press "$guest" g
sleep 1
press "$host" v
press "$guest" v
sleep 1.5
press "$host" Left
press "$guest" Right
sleep 1.5
press "$host" Left
press "$guest" Left
sleep 1.5
press "$host" Right
sleep 1.5

for name in host guest; do
  grep -q "room $code" "$work/$name.log" || give_up "the $name is not in room $code"
done
for pid in "${pids[@]:2}"; do
  kill -0 "$pid" 2>/dev/null || give_up "a game ended before the picture"
done
timeout 30 import -window "$host" "$work/host.png" || give_up "import could not grab the host's window"
timeout 30 import -window "$guest" "$work/guest.png" || give_up "import could not grab the guest's window"
mkdir -p "$(dirname "$out")"
convert "$work/host.png" "$work/guest.png" -background black +append -strip "$out"
say "wrote $out"
