#!/usr/bin/env bash
# Runs the Linux and the Wine end-to-end suites N times each, with no second tries, and
# prints how often each test failed: a test that fails now and then shows up here, where the
# test command's harness-miss retry might hide it. Needs the builds of ./test.sh (build/ and
# build-windows/). Usage: scripts/flake-hunt.sh N [ctest arguments, e.g. -R attract]
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:?usage: flake-hunt.sh N [ctest arguments]}
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for build in build build-windows; do
  [ -d "$build" ] || { echo "flake-hunt: no $build; run ./test.sh first" >&2; exit 2; }
done
start=$(date +%s)
for i in $(seq 1 "$runs"); do
  for build in build build-windows; do
    echo "== run $i of $runs: $build =="
    python3 scripts/run-ctest.py --build "$build" --results "$work/results.$build.$i" \
      -j"$(nproc)" -L e2e "$@" >"$work/$build.$i.log" 2>&1
    sed -n 's/^run-ctest: //p' "$work/$build.$i.log" | grep -v '^skipped' | tail -n +1
    # What a failed test said of itself, for the hunt's log.
    grep -h -A3 'FAILED' "$work/$build.$i.log" | grep -v '^run-ctest: \|^--$\|^\s*[0-9]* - ' | cut -c1-400 | head -n 20
    # A pass that wrote no results ran nothing that can be trusted: it counts as a failure.
    if [ ! -s "$work/results.$build.$i" ]; then
      tail -n 20 "$work/$build.$i.log"
      printf 'passed 0 failed 1 skipped 0\nfailed: (%s pass %d wrote no results)\n' "$build" "$i" \
        >"$work/results.$build.$i"
    fi
  done
done
echo "== failures in $runs runs of each suite ($(( $(date +%s) - start )) s) =="
found=$(cat "$work"/results.* 2>/dev/null | sed -n 's/^failed: //p' | sort | uniq -c | sort -rn)
if [ -n "$found" ]; then
  echo "$found" | awk -v n="$runs" '{ c = $1; $1 = ""; printf "%-50s failed %d of %d\n", substr($0, 2), c, n }'
  exit 1
fi
total=$( cat "$work"/results.* | awk '/^passed/ { p += $2 } END { print p }')
echo "no failures ($total test runs passed)"
