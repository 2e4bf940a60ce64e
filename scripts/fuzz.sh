#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, AddressSanitizer, UBSan) in a build
# directory of their own and runs each one for a bounded time, two at a time.
# Usage: scripts/fuzz.sh [SECONDS_EACH] [TARGET...]
#        scripts/fuzz.sh --build   only the build (the test command builds while it tests)
#   SECONDS_EACH  run time of each target (default 45, or $FUZZ_SECONDS)
#   TARGET        only these (fuzz_model fuzz_match_file fuzz_wav_reader fuzz_sound_slot
#                 fuzz_font fuzz_title fuzz_soundfont_cut fuzz_replay
#                 fuzz_relay_message); default all
#   FUZZ_JOBS     targets run at once (default 2); FUZZ_BUILD_DIR (default build-fuzz)
# Corpora grow in $FUZZ_BUILD_DIR/corpus/<target>, seeded from data/ and fuzz/seeds/.
# Crash inputs are kept in $FUZZ_BUILD_DIR/crashes/<target>/ and logs in .../logs/.
# Exits 1 when any target found a crash, a leak, a timeout or a failed property.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_only=0
if [ "${1:-}" = --build ]; then build_only=1; shift; fi
seconds=${1:-${FUZZ_SECONDS:-45}}
[ $# -gt 0 ] && shift
jobs=${FUZZ_JOBS:-2}
build=${FUZZ_BUILD_DIR:-build-fuzz}
case $build in /*) ;; *) build=$root/$build ;; esac

all_targets="fuzz_model fuzz_match_file fuzz_wav_reader fuzz_sound_slot fuzz_font fuzz_title fuzz_soundfont_cut fuzz_replay fuzz_relay_message"
targets=${*:-$all_targets}

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVASK_FUZZ=ON -DVASK_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
cmake --build "$build" --target fuzz_targets -j2 >"$build/fuzz-build.log" 2>&1 || {
  tail -40 "$build/fuzz-build.log"
  echo "fuzz.sh: building the fuzz targets failed (see $build/fuzz-build.log)" >&2
  exit 2
}
[ "$build_only" = 1 ] && exit 0

# Seeds of each target: the game's own file(s) and the small hand-made ones.
seeds_of() {
  case $1 in
    fuzz_model) echo data/vask3.wrl fuzz/seeds/model/* ;;
    fuzz_match_file) echo data/setup.txt fuzz/seeds/match_file/* ;;
    fuzz_wav_reader|fuzz_sound_slot) echo data/*.wav fuzz/seeds/wav/* ;;
    fuzz_font) echo data/flori.fnt fuzz/seeds/font/* ;;
    fuzz_title) echo data/vask.jpg fuzz/seeds/title/* ;;
    fuzz_soundfont_cut) echo fuzz/seeds/soundfont/* ;;
    fuzz_replay) echo fuzz/seeds/replay/* ;;
    fuzz_relay_message) echo fuzz/seeds/relay_message/* ;;
  esac
}

run_target() {
  local t=$1
  local corpus=$build/corpus/$t crashes=$build/crashes/$t log=$build/logs/$t.log
  local scratch=$build/scratch/$t
  mkdir -p "$corpus" "$crashes" "$scratch" "$build/logs"
  for s in $(seeds_of "$t"); do cp "$root/$s" "$corpus/seed-$(basename "$s")"; done
  local extra=()
  # Model inputs are held to 16 KB (a node past its 999 vertices still fits): the whole
  # 100 KB model as a seed would slow every run tenfold.
  [ "$t" = fuzz_model ] && extra+=(-dict="$root/fuzz/model.dict" -max_len=16384)
  # -close_fd_mask=2: libjpeg and OpenAL write warnings to standard error; the sanitizer
  # reports and libFuzzer's own lines still come through its duplicate of it.
  TMPDIR=$scratch ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -close_fd_mask=2 -artifact_prefix="$crashes/" "${extra[@]}" \
      "$corpus" >"$log" 2>&1
  local rc=$?
  rm -rf "$scratch"
  echo "$rc" >"$build/logs/$t.rc"
}

start=$(date +%s)
running=0
for t in $targets; do
  if [ ! -x "$build/fuzz/$t" ]; then echo "fuzz.sh: no target $t" >&2; exit 2; fi
  run_target "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then wait -n; running=$((running - 1)); fi
done
wait

status=0
ran=0 broke=0
printf '%-18s %-8s %12s %8s  %s\n' target result executions corpus crashes
for t in $targets; do
  rc=$(cat "$build/logs/$t.rc" 2>/dev/null || echo 99)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$t.log" | tail -1)
  size=$(ls "$build/corpus/$t" | wc -l)
  found=$(ls "$build/crashes/$t" 2>/dev/null | wc -l)
  result=ok
  # A target that executed nothing has not been fuzzed: that is a failure too.
  if [ "$rc" != 0 ] || [ "$found" != 0 ] || [ "${runs:-0}" -le 0 ]; then result=FAILED; status=1; fi
  if [ "$result" = ok ]; then ran=$((ran + 1)); else broke=$((broke + 1)); fi
  printf '%-18s %-8s %12s %8s  %s\n' "$t" "$result" "${runs:-?}" "$size" "$found"
  if [ "$result" = FAILED ]; then
    grep -m3 -E 'ERROR|fuzz property failed|SUMMARY' "$build/logs/$t.log" | sed 's/^/    /'
    ls "$build/crashes/$t" 2>/dev/null | sed "s|^|    kept: $build/crashes/$t/|"
  fi
done
echo "fuzz.sh: $(( $(date +%s) - start )) s of fuzzing, logs in $build/logs"
[ -n "${FUZZ_RESULTS:-}" ] && echo "passed $ran failed $broke skipped 0" >"$FUZZ_RESULTS"
exit $status
