#!/usr/bin/env bash
# Builds every target, tests included, under AddressSanitizer and UndefinedBehaviorSanitizer
# (-DVASK_SANITIZE=ON, build directory build-asan) and runs the unit, scene and audio tests.
# The tests that start the whole game (label e2e, "e2e" in the name, and the installed
# game's launcher test) are left out unless SANITIZE_E2E=1, and so is the game itself from
# the build, which only they start; so are the checks of scripts (label scripts).
# Leaks inside the GL driver stack are suppressed by tests/support/lsan.supp (see there).
# The game keeps Mesa's driver preloaded in the end-to-end pass (VASK_GAME_PRELOAD, honoured
# by tests/badinput/bad_input_e2e.py): SDL unloads it at exit, and leaks in an unloaded
# library have no name a suppression could match.
# Usage: scripts/sanitize.sh [extra ctest arguments]   (ASAN_BUILD_DIR, default build-asan;
# ASAN_RESULTS, a file for the counts of scripts/run-ctest.py)
#        scripts/sanitize.sh --build   only the build (the test command builds while it tests)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${ASAN_BUILD_DIR:-build-asan}
build_only=0
if [ "${1:-}" = --build ]; then build_only=1; shift; fi
start=$(date +%s)

# -O1 with line tables only: what the sanitizers need for fast checks and reports with file
# and line, and about 40 % less build time than -O2 -g. At -O1 GCC warns of a truncation the
# code has ruled out (an over-long alias is refused before it is copied).
e2e=OFF
[ "${SANITIZE_E2E:-0}" = 1 ] && e2e=ON
cmake -S . -B "$build" -DVASK_SANITIZE=ON -DVASK_SANITIZE_E2E=$e2e -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -Wno-format-truncation" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" >/dev/null || exit 2
cmake --build "$build" -j2 >"$build/sanitize-build.log" 2>&1 || {
  tail -40 "$build/sanitize-build.log"
  echo "sanitize.sh: the sanitized build failed (see $build/sanitize-build.log)" >&2
  exit 2
}
built=$(date +%s)
if [ "$build_only" = 1 ]; then
  echo "sanitize.sh: build $((built - start)) s"
  exit 0
fi

# intercept_tls_get_addr=0: the leak check's tracer crashed ("Tracer caught signal 11")
# every time on some builds of a scene test, on a range of dynamic TLS that the sanitizer
# had recorded wrongly for one of the libraries the GL driver opens (a nonsense range from
# address 0xb7a); without that interception the sanitizer records no dynamic TLS at all.
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$root/tests/support/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Mesa's software rasteriser on the test's own thread: LeakSanitizer's end-of-run check
# stops every thread to scan it, and its tracer now and then crashes ("Tracer caught
# signal 11") on the rasteriser's worker threads as they wind down.
export LP_NUM_THREADS=0
# The same crash came every time for one scene test on a clean clone, and went away with
# Mesa's on-disk shader cache switched off, along with the thread that writes it.
export MESA_SHADER_CACHE_DISABLE=true

# Not the checks of scripts, which run none of the programs built here.
select=(-LE '^(e2e|scripts)$' -E 'e2e|install_launcher')
if [ "${SANITIZE_E2E:-0}" = 1 ]; then
  select=()
  driver=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -1)
  export VASK_GAME_PRELOAD="$(${CXX:-c++} -print-file-name=libasan.so) $driver"
fi
# A second try only for LeakSanitizer's own tracer crash ("Tracer caught signal"), which
# says nothing of the test, and never beside a failed assertion or a crash (run-ctest.py
# knows their lines); any other failure, a race that shows once among them, stands.
python3 scripts/run-ctest.py --build "$build" --results "${ASAN_RESULTS:-$build/results.txt}" \
  --retry-when 'Tracer caught signal' -j2 "${select[@]}" "$@"
status=$?
echo "sanitize.sh: build $((built - start)) s, tests $(( $(date +%s) - built )) s"
exit $status
