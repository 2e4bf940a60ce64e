#!/usr/bin/env bash
# Runs a Windows program of the build in BUILD under Wine (the prefix is made on first
# use): CMake's CROSSCOMPILING_EMULATOR for the Windows tests.
# Usage: wine-run.sh BUILD PROGRAM.exe [ARGS...]
# The program's console output comes back with Unix line ends, once it has ended: Wine's
# own helper processes (services, the desktop) that the first program of a server starts
# keep its output open as long as the server runs, so it goes through files, never through
# the caller's pipes, which would then not close.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
shift
source "$here/wine-env.sh" "$build"
vask_wine_prefix
out=$(mktemp "${TMPDIR:-/tmp}/vask-wine-out-XXXXXX")
err=$(mktemp "${TMPDIR:-/tmp}/vask-wine-err-XXXXXX")
trap 'rm -f "$out" "$err"' EXIT
wine "$@" </dev/null >"$out" 2>"$err"
status=$?
tr -d '\r' <"$out"
tr -d '\r' <"$err" >&2
# Every program this runs is a GoogleTest program, whose main prints a line (and flushes it
# before each test) before any test runs. One that failed with nothing printed at all never
# reached its main: Wine did not start it. Seen once in many thousand runs, never reproduced;
# the status and the server's state are printed for the next time.
if [ "$status" != 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
  server=up
  wineserver -k0 2>/dev/null || server=down
  echo "HARNESS MISS: wine-run: $(basename "$1") ended with status $status before printing anything (the Wine server is $server)" >&2
fi
exit $status
