#!/usr/bin/env bash
# Usage: install_test.sh BUILD_DIR TITLE_JPEG   (on a display: run it through with_xvfb.sh)
# Installs BUILD_DIR into a temporary prefix, checks the layout and the desktop entry, moves
# the whole tree, starts the launcher from / and compares the window with the title picture,
# ends the game with a key (exit code 0), and checks that a tree without its data folder
# fails with a message instead of starting the game.
set -u
build=$1
title=$2
tmp=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/../support/game_window.sh"

cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log" 2>&1 ||
  { cat "$tmp/install.log" >&2; fail "cmake --install failed"; }

p=$tmp/prefix
[ -x "$p/bin/vask-light-cycles" ] || fail "no launcher in bin/"
[ -x "$p/libexec/vask-light-cycles/vask" ] || fail "no game in libexec/vask-light-cycles/"
for f in setup.txt vask3.wrl flori.fnt vask.jpg cyc4.wav boom.wav turn2.wav boom2.wav vask.mid LICENSES.md; do
  cmp -s "$p/share/vask-light-cycles/$f" "$(dirname "$title")/$f" || fail "data file $f not installed as it is"
done
desktop=$p/share/applications/vask-light-cycles.desktop
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx '\[Desktop Entry\]' "$desktop" || fail "desktop entry has no [Desktop Entry] group"
grep -qx 'Type=Application' "$desktop" || fail "desktop entry is not an application"
grep -qx 'Name=Vask Light Cycles' "$desktop" || fail "desktop entry has no name"
grep -qx "Exec=\"$p/bin/vask-light-cycles\"" "$desktop" || fail "desktop entry does not start the launcher: $(grep Exec "$desktop")"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the entry"
fi

# Wherever the tree goes, the launcher finds the game and its data.
mv "$p" "$tmp/moved"
launcher=$tmp/moved/bin/vask-light-cycles
(cd / && exec "$launcher") >"$tmp/game.log" 2>&1 &
pid=$!
window=$(game_window "$pid")
[ -n "$window" ] || { cat "$tmp/game.log" >&2; fail "the installed game showed no window"; }
sleep 1.5
xwd -silent -id "$window" | convert xwd:- -depth 8 "$tmp/shown.ppm" || fail "no screenshot"
convert "$title" -depth 8 "$tmp/title.ppm" || fail "cannot read $title"

# The top 400 rows (above the two lines of text) must be the title picture.
python3 - "$tmp/shown.ppm" "$tmp/title.ppm" <<'PY' || fail "the window does not show the title picture"
import sys
def ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace(): pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace(): end += 1
        fields.append(data[pos:end]); pos = end
    assert fields[0] == b"P6" and int(fields[3]) == 255
    return int(fields[1]), int(fields[2]), data[pos + 1:]
w1, h1, a = ppm(sys.argv[1])
w2, h2, b = ppm(sys.argv[2])
if (w1, h1) != (640, 480) or (w2, h2) != (640, 480):
    sys.exit(f"sizes {w1}x{h1} and {w2}x{h2}")
n = 640 * 400 * 3
diff = sum(abs(x - y) for x, y in zip(a[:n], b[:n])) / n
spread = max(a[:n]) - min(a[:n])
print(f"mean difference from the title picture {diff:.2f}, brightness spread {spread}")
sys.exit(0 if diff < 8 and spread > 100 else 1)
PY

# The first key leaves the title; in play a key with no command ends the game.
play_then_quit "$pid" "$window" "$tmp/game.log"
pid=""

# Without its data folder the launcher says so and fails; it does not start the game.
rm -rf "$tmp/moved/share/vask-light-cycles"
out=$("$launcher" 2>&1)
rc=$?
[ "$rc" != 0 ] || fail "the launcher succeeded without its data"
case "$out" in *"no data folder"*) ;; *) fail "the launcher did not say what is missing: $out" ;; esac
echo "PASS"
