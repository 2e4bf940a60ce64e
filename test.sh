#!/usr/bin/env bash
# Builds the game and runs every test: the unit, scene, audio and end-to-end suite; the
# Windows program, cross-built with mingw-w64, and its suites under Wine; the browser
# version, built with emscripten, in headless Chromium; the unit and
# scene suite again under AddressSanitizer and UndefinedBehaviorSanitizer; and each fuzz
# target for a bounded time (FUZZ_SECONDS each, default 30).
# Every test runs once. Only a harness's own miss (no window found, no focus given) earns an
# end-to-end test a second try, and only the leak checker's own tracer crash a sanitized
# one; the closing lines name each test that needed it, and count results, not test names.
set -uo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh || exit 1

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
status=0
suite() {  # suite NAME BUILD [run-ctest.py arguments...]
  local name=$1 build=$2
  shift 2
  python3 scripts/run-ctest.py --build "$build" --results "$results/$name" "$@" || status=1
}
harness_miss=(--retry-when 'HARNESS MISS')

echo "== The test suite =="
suite linux build -j"$(nproc)" -LE e2e
suite linux-e2e build "${harness_miss[@]}" -j"$(nproc)" -L e2e

echo "== The Windows program, cross-built and run under Wine =="
if bash scripts/build-windows.sh -DVASK_LINUX_GAME="$PWD/build/app/vask" \
    -DVASK_FIXED_CLOCK="$PWD/build/tests/libvask_fixed_clock.so"; then
  suite windows build-windows -j"$(nproc)" -LE e2e
  suite windows-e2e build-windows "${harness_miss[@]}" -j"$(nproc)" -L e2e
else
  echo "test.sh: the Windows build failed" >&2
  echo "passed 0 failed 1 skipped 0" >"$results/windows"
  status=1
fi

echo "== The browser version, built with emscripten and run in headless Chromium =="
if bash scripts/build-web.sh; then
  suite web build-web -j"$(nproc)" -L web
else
  echo "test.sh: the browser build failed" >&2
  echo "passed 0 failed 1 skipped 0" >"$results/web"
  status=1
fi

echo "== The unit and scene suite under the sanitizers =="
: >"$results/sanitized"  # stays empty, and so counts as a failure, if the pass stops early
ASAN_RESULTS=$results/sanitized bash scripts/sanitize.sh || status=1

echo "== The fuzz targets =="
: >"$results/fuzz"
FUZZ_RESULTS=$results/fuzz bash scripts/fuzz.sh "${FUZZ_SECONDS:-30}" || status=1

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
