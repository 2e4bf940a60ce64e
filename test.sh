#!/usr/bin/env bash
# Builds the game and runs every test: the unit, scene, audio and end-to-end suite; the
# Windows program, cross-built with mingw-w64, and its suites under Wine; the browser
# version, built with emscripten, in headless Chromium; the unit and
# scene suite again under AddressSanitizer and UndefinedBehaviorSanitizer; and each fuzz
# target for a bounded time (FUZZ_SECONDS each, default 30).
# Every test runs once. Only a harness's own miss (no X server, a focus xdotool refused, a
# screenshot tool failing on a window that is up and drawing, Wine not starting a test
# program) earns an end-to-end or Windows test a second try, and never when a real failure came with it; only the leak checker's own tracer
# crash earns a sanitized one. The closing lines name each test that needed it, and count
# results, not test names. Every stage has a time limit; past it, the stacks of its
# programs go to the log and the stage fails.
# Usage: ./test.sh            (VASK_TEST_BUDGET: the whole run's seconds, default 4800)
#        ./test.sh --limits   each stage's limit, and whether they fit the budget
set -uo pipefail
cd "$(dirname "$0")"

# The whole run's budget: the closing summary prints well inside CI's 90 minutes whatever
# hangs. Each stage's limit is about two and a half times what it took in CI on a fresh
# machine (the build 224 s, the browser suite 231 s, the sanitized pass 265 s, the whole run
# 25 minutes); together they fit the budget, so that a slow machine stops only a stage
# that hangs, never a later stage for want of time.
budget=4800
stages=(build linux linux-e2e windows-build windows windows-e2e web-build web sanitized fuzz)
declare -A limit=([build]=600 [linux]=180 [linux-e2e]=360 [windows-build]=480 [windows]=180
                  [windows-e2e]=480 [web-build]=420 [web]=600 [sanitized]=720 [fuzz]=480)
together=0
for name in "${stages[@]}"; do together=$((together + limit[$name])); done
if [ "${1:-}" = --limits ] || [ "$together" -gt "$budget" ]; then
  for name in "${stages[@]}"; do echo "$name: ${limit[$name]} s"; done
  echo "together: $together s of the run's $budget s"
  [ "$together" -le "$budget" ] || { echo "test.sh: the stage limits add up to more than the run's budget" >&2; exit 2; }
  exit 0
fi

results=$(mktemp -d)
running=""
trap 'rm -rf "$results"' EXIT
# A stage runs as a session of its own, out of the terminal's reach: an interrupt ends it too.
trap '[ -n "$running" ] && kill -TERM -- -"$running" 2>/dev/null; exit 130' INT TERM
status=0
# A budget made smaller than the limits still holds: a stage gets its limit or what is left
# of the budget, whichever is less.
budget_end=$(( $(date +%s) + ${VASK_TEST_BUDGET:-$budget} ))

# limited NAME COMMAND...: runs COMMAND as a session of its own. Past the stage's limit it
# is stopped: the stacks of its programs go to the log, then the whole session is killed,
# and the stage fails.
limited() {
  local name=$1 seconds=${limit[$1]}
  shift
  local left=$(( budget_end - $(date +%s) ))
  [ "$left" -lt "$seconds" ] && seconds=$left
  if [ "$seconds" -le 0 ]; then
    echo "test.sh: no time left in the run for $name" >&2
    return 124
  fi
  setsid "$@" &
  running=$!
  local pid=$! deadline=$(( $(date +%s) + seconds ))
  (
    while kill -0 "$pid" 2>/dev/null; do
      if [ "$(date +%s)" -ge "$deadline" ]; then
        echo "test.sh: $name is past its limit of $seconds s; where its programs are:" >&2
        bash scripts/stacks.sh "$pid" >&2
        kill -TERM -- -"$pid" 2>/dev/null
        sleep 10
        kill -KILL -- -"$pid" 2>/dev/null
        echo "test.sh: $name stopped" >&2
        exit 0
      fi
      sleep 1
    done
  ) &
  local watchdog=$!
  local began=$SECONDS
  wait "$pid"
  local rc=$?
  wait "$watchdog"
  running=""
  echo "test.sh: $name took $((SECONDS - began)) s"
  return $rc
}
# stage NAME COMMAND...: a stage that is not a ctest pass; one line of results.
stage() {
  local name=$1
  # A build that worked is no test passed; one that failed is a failure.
  limited "$@" && { echo "passed 0 failed 0 skipped 0" >"$results/$name"; return 0; }
  echo "test.sh: $name failed" >&2
  printf 'passed 0 failed 1 skipped 0\nfailed: %s\n' "$name" >"$results/$name"
  status=1
  return 1
}
suite() {  # suite NAME BUILD [run-ctest.py arguments...]
  local name=$1 build=$2
  shift 2
  : >"$results/$name"  # stays empty, and so counts as a failure, if the pass is stopped
  limited "$name" python3 scripts/run-ctest.py --build "$build" --results "$results/$name" "$@" || status=1
}
# A second try only for the harness's own miss, and never when a real failure came with it
# (run-ctest.py knows the lines that tell of one).
harness_miss=(--retry-when 'HARNESS MISS')

echo "== Installing what is missing, and the build =="
if stage build bash scripts/setup.sh; then
  echo "== The test suite =="
  suite linux build -j"$(nproc)" -LE e2e
  suite linux-e2e build "${harness_miss[@]}" -j"$(nproc)" -L e2e

  echo "== The Windows program, cross-built and run under Wine =="
  if stage windows-build bash scripts/build-windows.sh -DVASK_LINUX_GAME="$PWD/build/app/vask" \
      -DVASK_FIXED_CLOCK="$PWD/build/tests/libvask_fixed_clock.so"; then
    suite windows build-windows "${harness_miss[@]}" -j"$(nproc)" -LE e2e
    suite windows-e2e build-windows "${harness_miss[@]}" -j"$(nproc)" -L e2e
  fi

  echo "== The browser version, built with emscripten and run in headless Chromium =="
  if stage web-build bash scripts/build-web.sh --tests; then
    suite web build-web -j"$(nproc)" -L web
  fi

  echo "== The unit and scene suite under the sanitizers =="
  : >"$results/sanitized"  # stays empty, and so counts as a failure, if the pass stops early
  ASAN_RESULTS=$results/sanitized limited sanitized bash scripts/sanitize.sh || status=1

  echo "== The fuzz targets =="
  : >"$results/fuzz"
  FUZZ_RESULTS=$results/fuzz limited fuzz bash scripts/fuzz.sh "${FUZZ_SECONDS:-30}" || status=1
fi

passed=0 failed=0 skipped=0
for f in "$results"/*; do
  [ -s "$f" ] || { echo "test.sh: $(basename "$f") left no results" >&2; failed=$((failed + 1)); continue; }
  read -r _ p _ q _ s <"$f"
  passed=$((passed + p)) failed=$((failed + q)) skipped=$((skipped + s))
done
for kind in retried skipped failed; do
  names=$(grep -h "^$kind: " "$results"/* 2>/dev/null | sed "s/^$kind: //" | tr '\n' ' ')
  [ -n "$names" ] && echo "$kind: $names"
done
[ -z "$(grep -h '^retried: ' "$results"/* 2>/dev/null)" ] && echo "retried: none"
echo "summary: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] || status=1
exit $status
