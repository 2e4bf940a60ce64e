#!/usr/bin/env bash
# Builds the game and runs every test: the unit, scene, audio and end-to-end suite; the
# Windows program, cross-built with mingw-w64, and its suites under Wine; the browser
# version, built with emscripten, in headless Chromium; the unit and
# scene suite again under AddressSanitizer and UndefinedBehaviorSanitizer; and each fuzz
# target for a bounded time (FUZZ_SECONDS each, default 20).
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

# The run goes in two lanes at once, for a machine of two cores: the tests, one stage after
# another, and beside them, at the lowest priority, the packages and builds that later
# test stages need, which so take only what the tests leave of the machine. A test stage
# waits for its build; one whose build failed is not run.
#   tests:  linux-packages build linux linux-e2e windows windows-e2e web sanitized fuzz
#   builds: packages windows-build web-build sanitized-build fuzz-build
# The whole run's budget: the closing summary prints well inside CI's 90 minutes whatever
# hangs. Each stage's limit is about twice what it took here on a clean clone (2 cores, both
# lanes busy; the builds, at the lowest priority, get what the tests leave):
# on a fresh machine linux-packages 46 s and packages 178 s; the build 217 s, linux 56 s,
# linux-e2e 129 s, windows-build 217 s, windows 80 s, windows-e2e 124 s, web-build 219 s,
# web 299 s, sanitized-build 472 s, sanitized 121 s, fuzz-build 86 s, fuzz 68 s. Even with
# every stage at its limit the run fits the budget, so that a slow machine stops only a
# stage that hangs, never a later stage for want of time.
budget=4800
test_lane=(linux-packages build linux linux-e2e windows windows-e2e web sanitized fuzz)
build_lane=(packages windows-build web-build sanitized-build fuzz-build)
declare -A limit=([linux-packages]=600 [build]=600 [linux]=180 [linux-e2e]=300 [windows]=540
                  [windows-e2e]=300 [web]=720 [sanitized]=300 [fuzz]=360
                  [packages]=900 [windows-build]=900 [web-build]=720 [sanitized-build]=1200
                  [fuzz-build]=300)
# The build each test stage waits for.
declare -A needs=([windows]=windows-build [web]=web-build [sanitized]=sanitized-build [fuzz]=fuzz-build)

# The run's length with every stage at its limit: the build lane from the start, the test
# lane after it, each test stage starting once both the stage before it and its build end.
declare -A ends=()
at=0
for name in "${build_lane[@]}"; do at=$((at + limit[$name])); ends[$name]=$at; done
at=0
for name in "${test_lane[@]}"; do
  build=${needs[$name]:-}
  [ -n "$build" ] && [ "${ends[$build]}" -gt "$at" ] && at=${ends[$build]}
  at=$((at + limit[$name]))
done
longest=$at
if [ "${1:-}" = --limits ] || [ "$longest" -gt "$budget" ]; then
  for name in "${test_lane[@]}" "${build_lane[@]}"; do echo "$name: ${limit[$name]} s"; done
  echo "every stage at its limit: $longest s of the run's $budget s"
  [ "$longest" -le "$budget" ] || { echo "test.sh: the stage limits add up to more than the run's budget" >&2; exit 2; }
  exit 0
fi

results=$(mktemp -d)
# What the lanes tell each other (a hidden folder, left out of the closing count): .state/NAME
# holds the exit status of build NAME once it has ended (linux-build: the test lane's build
# of the game), .state/pid.NAME the session of a stage running, .state/NAME.log a build's
# output.
state=$results/.state
mkdir -p "$state"
builder=""
trap 'rm -rf "$results"' EXIT
# A stage runs as a session of its own, out of the terminal's reach: an interrupt ends the
# stages running in both lanes.
trap 'for f in "$state"/pid.*; do [ -e "$f" ] && kill -TERM -- -"$(cat "$f")" 2>/dev/null; done
      [ -n "$builder" ] && kill -TERM "$builder" 2>/dev/null; exit 130' INT TERM
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
  local pid=$! deadline=$(( $(date +%s) + seconds ))
  echo "$pid" >"$state/pid.$name"
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
  rm -f "$state/pid.$name"
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
# built NAME: waits for the build lane's NAME; true when it was built. A lane that ended
# without a word of it is a failure of its own.
built() {
  while [ ! -e "$state/$1" ]; do
    kill -0 "$builder" 2>/dev/null && { sleep 1; continue; }
    [ -e "$state/$1" ] && break
    echo "test.sh: the build lane ended before $1" >&2
    printf 'passed 0 failed 1 skipped 0\nfailed: %s (the build lane ended before it)\n' "$1" >"$results/$1.lost"
    return 1
  done
  [ "$(cat "$state/$1")" = 0 ]
}
# The Linux build's render_icon, which the cross-builds draw their icons with, once that build
# has ended; nothing when it failed, and they then build one of their own.
linux_icon_renderer() {
  while [ ! -e "$state/linux-build" ]; do sleep 1; done
  [ "$(cat "$state/linux-build")" = 0 ] && echo "$PWD/build/icon-renderer/render_icon"
}
# The build lane: its output goes to .state/NAME.log, shown whole when a build fails. A build
# stage is tried only after everything before it in the lane worked.
run_build_lane() {
  local name rc=0
  for name in "${build_lane[@]}"; do
    if [ "$rc" = 0 ]; then
      case $name in
        packages) stage packages bash scripts/install-packages.sh scripts/packages-tests.txt \
                    scripts/packages-windows.txt scripts/packages-web.txt scripts/packages-web-tests.txt ;;
        windows-build) stage windows-build env VASK_ICON_RENDERER="$(linux_icon_renderer)" \
                         bash scripts/lowest-priority.sh bash scripts/build-windows.sh \
                         -DVASK_LINUX_GAME="$PWD/build/app/vask" \
                         -DVASK_FIXED_CLOCK="$PWD/build/tests/libvask_fixed_clock.so" ;;
        web-build) stage web-build env VASK_ICON_RENDERER="$(linux_icon_renderer)" \
                     bash scripts/lowest-priority.sh bash scripts/build-web.sh --tests ;;
        sanitized-build) stage sanitized-build bash scripts/lowest-priority.sh bash scripts/sanitize.sh --build ;;
        fuzz-build) stage fuzz-build bash scripts/lowest-priority.sh bash scripts/fuzz.sh --build ;;
      esac >"$state/$name.log" 2>&1
      rc=$?
      grep -h '^test.sh: ' "$state/$name.log"
      if [ "$rc" != 0 ]; then
        echo "== $name failed; what it printed =="
        grep -v '^test.sh: ' "$state/$name.log"
      fi
      # A build after one that failed is not tried; the stages waiting for it are not run.
      echo "$rc" >"$state/$name"
    else
      echo 1 >"$state/$name"
    fi
  done
}
# A second try only for the harness's own miss, and never when a real failure came with it
# (run-ctest.py knows the lines that tell of one).
harness_miss=(--retry-when 'HARNESS MISS')

echo "== Installing what the game needs, and the build =="
# The other stages' packages (the Linux tests' own tools; Wine, emscripten, Chromium: most of
# what a fresh machine fetches) install while the game builds, once the game's own are in.
if stage linux-packages bash scripts/install-packages.sh scripts/packages.txt; then
  run_build_lane &
  builder=$!
  stage build bash scripts/setup.sh
  echo $? >"$state/linux-build"
  if [ "$(cat "$state/linux-build")" = 0 ] && built packages; then
    echo "== The test suite =="
    suite linux build -j"$(nproc)" -LE e2e
    suite linux-e2e build "${harness_miss[@]}" -j"$(nproc)" -L e2e
  fi
  # The later stages need the game built for Linux only for their comparisons with it.
  echo "== The Windows program, cross-built and run under Wine =="
  if built windows-build; then
    suite windows build-windows "${harness_miss[@]}" -j"$(nproc)" -LE e2e
    suite windows-e2e build-windows "${harness_miss[@]}" -j"$(nproc)" -L e2e
  fi

  echo "== The browser version, built with emscripten and run in headless Chromium =="
  if built web-build; then
    suite web build-web -j"$(nproc)" -L web
  fi

  echo "== The unit and scene suite under the sanitizers =="
  if built sanitized-build; then
    : >"$results/sanitized"  # stays empty, and so counts as a failure, if the pass stops early
    ASAN_RESULTS=$results/sanitized limited sanitized bash scripts/sanitize.sh || status=1
  fi

  echo "== The fuzz targets =="
  if built fuzz-build; then
    : >"$results/fuzz"
    # Three at a time: the nine targets take three rounds, where two at a time took five and
    # left a core idle in the last.
    FUZZ_JOBS=${FUZZ_JOBS:-3} FUZZ_RESULTS=$results/fuzz limited fuzz bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}" || status=1
  fi
  wait "$builder"
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
