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
# before each test) before any test runs. One that failed with nothing printed at all died
# before that line, or Wine did not start it (seen once in many thousand runs, never
# reproduced). Only a Wine server that is down says it was Wine, the harness's miss; with
# the server up it is the program's failure. Either way the status is printed.
if [ "$status" != 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
  said="wine-run: $(basename "$1") ended with status $status before printing anything"
  if wineserver -k0 2>/dev/null; then
    echo "$said (the Wine server is up)" >&2
  else
    echo "HARNESS MISS: $said (the Wine server is down)" >&2
  fi
fi
exit $status
