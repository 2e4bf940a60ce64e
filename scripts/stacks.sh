#!/usr/bin/env bash
# Prints where every program under test is stuck: the stack of each thread of each process
# of session SID (a test stage started with setsid) that is not part of the harness, as gdb
# sees it. Usage: scripts/stacks.sh SID
sid=${1:?usage: stacks.sh SID}
command -v gdb >/dev/null || { echo "stacks: no gdb to take stacks with"; exit 0; }
harness='^(bash|sh|python3.*|ctest|cmake|make|gmake|ninja|sleep|timeout|setsid|Xvfb|xdotool|import|convert|gdb|wineserver|pulseaudio|parec|pacat|node|cat|tee)$'
shown=0
for pid in $(ps -o pid= -s "$sid" 2>/dev/null); do
  [ "$pid" = "$$" ] && continue
  name=$(cat "/proc/$pid/comm" 2>/dev/null) || continue
  [[ $name =~ $harness ]] && continue
  [ $shown -ge 8 ] && { echo "stacks: more processes left out"; break; }
  shown=$((shown + 1))
  echo "== stacks of $pid ($(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-200)) =="
  timeout 60 gdb -p "$pid" -batch -nx -ex "set pagination off" -ex "thread apply all bt 25" 2>&1 |
    grep -v '^\[New LWP\|^warning: \|^Reading symbols\|^(No debugging' | tail -n 200
done
[ $shown -eq 0 ] && echo "stacks: no program under test was running"
exit 0
