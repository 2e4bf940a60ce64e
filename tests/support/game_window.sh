# Sourced by the shell tests that start the game itself (the installed tree, the Debian
# package, the Windows zip).
#   game_window PID [TENTHS]  prints the id of the game's visible window once it shows, or
#                             nothing when PID ends first or TENTHS tenths of a second pass
#                             (then, with PID still running, the game's stacks on stderr:
#                             a running game that shows no window has failed)
#   wait_game_exit PID        waits up to 10 s for PID (a child of the caller's shell, so
#                             not in a subshell) to end and sets game_exit to its exit
#                             code; fails, with game_exit empty, when it is still running
#   play_then_quit PID WINDOW LOG [--wine]
#                             focuses the window, waits for the title, leaves it with a key,
#                             waits for play, ends the game with q and checks the exit code
#                             is 0; calls the test's fail (showing LOG) when any of that
#                             does not hold
support_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

game_window() {
  local pid=$1 tenths=${2:-100} window=""
  for _ in $(seq 1 "$tenths"); do
    window=$(xdotool search --onlyvisible --name '^Vask Light Cycles by Velmor$' 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$window" ] && kill -0 "$pid" 2>/dev/null; then
    echo "no game window within $((tenths / 10)) s, the game still running; where it is:" >&2
    gdb -p "$pid" -batch -nx -ex "thread apply all bt 25" 2>&1 | grep -v '^\[New LWP\|^warning: ' >&2
  fi
  echo "$window"
}

wait_game_exit() {
  local pid=$1
  game_exit=""
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && return 1
  wait "$pid"
  game_exit=$?
}

play_then_quit() {
  local pid=$1 window=$2 log=$3
  python3 "$support_dir/play_then_quit.py" --window "$window" --pid "$pid" \
    --data "$support_dir/../../data" ${4:-} || { cat "$log" >&2; fail "playing the game"; }
  wait_game_exit "$pid" || fail "the game did not end on q"
  [ "$game_exit" = 0 ] || { cat "$log" >&2; fail "the game ended with exit code $game_exit"; }
}
