# Sourced by the shell tests that start the game itself (the installed tree, the Debian
# package, the Windows zip).
#   game_window PID [TENTHS]  prints the id of the game's visible window once it shows, or
#                             nothing when PID ends first or TENTHS tenths of a second pass
#                             (then, with PID still running, a HARNESS MISS line on stderr)
#   wait_game_exit PID        waits up to 10 s for PID (a child of the caller's shell, so
#                             not in a subshell) to end and sets game_exit to its exit
#                             code; fails, with game_exit empty, when it is still running
#   play_then_quit PID WINDOW LOG
#                             focuses the window, leaves the title with a key, checks the
#                             game still runs, ends it with q and checks the exit code is 0;
#                             calls the test's fail (showing LOG) when any of that does not hold
game_window() {
  local pid=$1 tenths=${2:-100} window=""
  for _ in $(seq 1 "$tenths"); do
    window=$(xdotool search --onlyvisible --name '^Vask Light Cycles by Velmor$' 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  # No window while the game still runs: the harness missed it, the one failure the test
  # command may try a second time.
  [ -z "$window" ] && kill -0 "$pid" 2>/dev/null && echo "HARNESS MISS: no game window found" >&2
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
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.5
  xdotool key Up
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "the game ended on the key that leaves the title"
  xdotool key q
  wait_game_exit "$pid" || fail "the game did not end on q"
  [ "$game_exit" = 0 ] || { cat "$log" >&2; fail "the game ended with exit code $game_exit"; }
}
