#!/usr/bin/env bash
# Usage: zip_test.sh BUILD SOURCE_DIR   (on a display: run it through with_xvfb.sh)
# The Windows players' zip, as a player gets it: it holds one folder, vask-light-cycles/, with
# vask.exe, the data files, the licences and the README in it, the data as they are in the
# repository; the program needs no DLL but Windows' own and carries its version information,
# manifest and icon; and unzipped, it starts from its folder under Wine, shows its window, leaves
# the title on a key and ends with code 0 on the next.
set -u
build=$1
source=$2
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$here/../support/game_window.sh"

zip=$build/vask-light-cycles-windows.zip
cmake --build "$build" --target windows_zip >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log" >&2; fail "windows_zip did not build"; }
[ -f "$zip" ] || fail "no $zip"
mkdir "$tmp/game"
(cd "$tmp/game" && cmake -E tar xf "$zip") || fail "the zip does not unpack"

top=$(cd "$tmp/game" && find . -mindepth 1 -maxdepth 1 | sed 's|^\./||' | tr '\n' ' ')
[ "$top" = "vask-light-cycles " ] || fail "the zip's top holds: $top"
game=$tmp/game/vask-light-cycles

want="LICENSE.txt LICENSES.md OFL-1.1-flori.txt README-windows.txt boom.wav boom2.wav cyc4.wav
  flori.fnt libjpeg-turbo-LICENSE.md mingw-w64-runtime-copyright.txt setup.txt turn2.wav
  vask.exe vask.jpg vask.mid vask3.wrl"
have=$(cd "$game" && find . -mindepth 1 | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$have" = "$(echo $want | tr ' ' '\n' | sort | tr '\n' ' ')" ] || fail "the zip holds: $have"
for f in "$source"/data/*; do
  cmp -s "$f" "$game/$(basename "$f")" || fail "$(basename "$f") is not the repository's"
done
cmp -s "$source/LICENSE" "$game/LICENSE.txt" || fail "LICENSE.txt is not the game's licence"

# Windows' own DLLs only: the C and C++ runtimes are linked in, and the stack protector,
# which seeds its guard from advapi32's random numbers. winhttp carries the link to a relay
# (its WebSocket calls are in every Windows since 8).
dlls=$(x86_64-w64-mingw32-objdump -p "$game/vask.exe" | sed -n 's/^\s*DLL Name: //p' |
  tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
for dll in $dlls; do
  case $dll in
    kernel32.dll|user32.dll|gdi32.dll|imm32.dll|shell32.dll|opengl32.dll|glu32.dll|dsound.dll|\
      winmm.dll|msvcrt.dll|advapi32.dll|winhttp.dll) ;;
    *) fail "vask.exe needs $dll, which Windows does not bring" ;;
  esac
done

# What Windows reads from the program itself: its name and version, its manifest and its icon.
python3 "$here/exe_resources.py" "$game/vask.exe" "$source" || fail "vask.exe's resources"

# Started from the unzipped folder, as a double-click does.
source "$here/../../scripts/wine-env.sh" "$build"
vask_wine_prefix
export PULSE_SERVER=unix:/nonexistent/vask-no-pulse.sock ALSA_CONFIG_PATH=/dev/null
(cd "$game" && exec wine vask.exe) >"$tmp/game.log" 2>&1 &
pid=$!
window=$(game_window "$pid" 200)
[ -n "$window" ] || { cat "$tmp/game.log" >&2; fail "the unzipped game showed no window"; }
play_then_quit "$pid" "$window" "$tmp/game.log" --wine
pid=""
echo "the zip holds $(echo $want | wc -w) files and its game runs"
