#!/usr/bin/env bash
# Usage: install_test.sh BUILD_DIR TITLE_JPEG   (on a display: run it through with_xvfb.sh)
# Installs BUILD_DIR into a temporary prefix, checks the layout and the desktop entry, moves
# the whole tree, starts the launcher from / and checks that it runs the installed game in the
# installed data folder up to the title, plays and ends the game with a key (exit code 0),
# and checks that a tree without its data folder fails with a message instead of starting
# the game.
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
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the entry"
# The icon the entry names, at every size of the hicolor theme: a PNG of that size (its
# IHDR chunk's width and height).
grep -qx 'Icon=vask-light-cycles' "$desktop" || fail "desktop entry names no icon"
for n in 16 24 32 48 64 128 256; do
  png=$p/share/icons/hicolor/${n}x${n}/apps/vask-light-cycles.png
  [ "$(od -An -tx1 -j12 -N12 "$png" 2>/dev/null | tr -d ' \n')" = "$(printf '49484452%08x%08x' $n $n)" ] ||
    fail "no ${n}x${n} PNG icon in share/icons/hicolor"
done

# Wherever the tree goes, the launcher finds the game and its data.
mv "$p" "$tmp/moved"
launcher=$tmp/moved/bin/vask-light-cycles
(cd / && exec "$launcher") >"$tmp/game.log" 2>&1 &
pid=$!
window=$(game_window "$pid")
[ -n "$window" ] || { cat "$tmp/game.log" >&2; fail "the installed game showed no window"; }
# The launcher runs the installed game in the moved tree's data folder.
[ "$(readlink "/proc/$pid/exe")" = "$tmp/moved/libexec/vask-light-cycles/vask" ] ||
  fail "the launcher started $(readlink "/proc/$pid/exe")"
[ "$(readlink "/proc/$pid/cwd")" = "$tmp/moved/share/vask-light-cycles" ] ||
  fail "the game runs in $(readlink "/proc/$pid/cwd"), not the installed data folder"

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
