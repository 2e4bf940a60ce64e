#!/usr/bin/env bash
# Runs a command at the lowest CPU priority, with all it starts: what runs at the usual
# priority meanwhile takes the processors first. Where the kernel schedules each session as
# a group of its own (autogroup), a nice value ranks processes only within their session,
# so the session's group is given the lowest priority too.
# Usage: scripts/lowest-priority.sh COMMAND [ARGS...]
[ -w /proc/self/autogroup ] && echo 19 2>/dev/null >/proc/self/autogroup
exec nice -n 19 "$@"
