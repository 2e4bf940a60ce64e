#!/usr/bin/env bash
# Shows the game on a machine without a screen: starts a private Xvfb, runs the real game
# in a temporary copy of data/, and saves what it showed and played into one folder:
#   title.png, attract-1.png, attract-2.png   the title, then attract mode (D)
#   view-0.png .. view-3.png                  a second start, played in each camera view (V)
#   sound-attract.wav, sound-play.wav         everything OpenAL Soft mixed in each start
# Each start ends with a key that has no command, as a player would end it.
# Usage: scripts/showcase.sh [OUTPUT_FOLDER]   (default out/showcase). Builds build/ if needed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-$root/out/showcase}
game=${VASK_GAME:-$root/build/app/vask}

for tool in Xvfb xdotool xwd convert; do
  command -v "$tool" >/dev/null || { echo "showcase: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
[ -x "$game" ] || bash scripts/setup.sh
[ -x "$game" ] || { echo "showcase: no game at $game" >&2; exit 1; }

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/*.png "$out"/*.wav "$out"/*.log
work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp -r "$root/data" "$work/data"

# A private X server of our own, whatever DISPLAY says.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "showcase: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

window=""
# start_game WAV LOG: runs the game with OpenAL Soft's wave writer as its sound device.
start_game() {
  cat >"$work/alsoft.conf" <<CONF
[general]
drivers = wave
sample-type = int16
channels = stereo
[wave]
file = $1
CONF
  (cd "$work/data" && ALSOFT_CONF="$work/alsoft.conf" ALSOFT_DRIVERS=wave exec "$game") >"$2" 2>&1 &
  game_pid=$!
  window=""
  for _ in $(seq 1 100); do
    window=$(xdotool search --onlyvisible --name "^Vask Light Cycles by Velmor$" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "showcase: the game's window did not appear" >&2; cat "$2" >&2; exit 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}

shot() {  # shot NAME: the game's window as NAME.png
  xwd -silent -id "$window" | convert xwd:- "$out/$1.png"
  echo "  $out/$1.png"
}

press() {  # press KEY...: keys to the game's window
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --delay 60 "$@"
}

end_game() {  # end_game: a key with no command ends the game; it must exit with code 0
  press q
  local rc=0
  for _ in $(seq 1 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$game_pid" 2>/dev/null; then
    echo "showcase: the game did not end on a key" >&2
    kill "$game_pid"
    rc=1
  fi
  wait "$game_pid" || rc=$?
  game_pid=""
  [ "$rc" = 0 ] || { echo "showcase: the game ended with exit code $rc" >&2; exit 1; }
}

echo "showcase: first start: title, then attract mode"
start_game "$out/sound-attract.wav" "$out/game-attract.log"
sleep 2
shot title
press d
sleep 3
shot attract-1
sleep 4
shot attract-2
end_game

echo "showcase: second start: play in each camera view"
start_game "$out/sound-play.wav" "$out/game-play.log"
sleep 1.5
press Up   # any key leaves the title; this one does nothing else there
sleep 2
for view in 0 1 2 3; do
  shot "view-$view"
  [ "$view" = 3 ] || { press v; sleep 2; }
done
end_game

# What the sound files hold: length and loudest sample (a silent file means no sound came out).
describe_wav() {
  python3 - "$1" <<'PY'
import struct, sys, array
data = open(sys.argv[1], "rb").read()
if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
    print("not a WAV file"); sys.exit()
pos, fmt, samples = 12, None, b""
while pos + 8 <= len(data):
    tag, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
    body = data[pos + 8:pos + 8 + size]
    if tag == b"fmt ":
        fmt = struct.unpack("<HHIIHH", body[:16])
    elif tag == b"data":
        samples = body
    pos += 8 + size + (size & 1)
if not fmt or fmt[5] != 16:
    print("not 16-bit PCM"); sys.exit()
channels, rate = fmt[1], fmt[2]
a = array.array("h", samples[:len(samples) // 2 * 2])
if sys.byteorder != "little": a.byteswap()
peak = max((abs(v) for v in a), default=0) / 32768
print(f"{len(a) / channels / rate:.1f} s, {rate} Hz, {channels} channels, loudest sample {peak:.2f} of full scale")
PY
}
echo "showcase: everything is in $out"
for f in "$out"/*.png; do echo "  picture  $f"; done
for f in "$out"/sound-*.wav; do echo "  sound    $f ($(describe_wav "$f"))"; done
echo "  logs     $out/game-attract.log $out/game-play.log"
