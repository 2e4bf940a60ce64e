#!/usr/bin/env bash
# The soak run: 200,000 frames of attract mode with the game's code built with the address
# and leak sanitizers (build-bench-asan/), on a private Xvfb. It fails on a crash, a memory
# error, a leak report or resident memory that keeps growing, and writes bench/soak.md,
# which bench/run_all.sh puts into bench/results.md.
# Usage: bench/soak.sh [FRAMES]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
frames=${1:-200000}
build=${VASK_SOAK_BUILD:-$root/build-bench-asan}
log=$(mktemp)
trap 'rm -f "$log" "$log.err"' EXIT

flags="-fsanitize=address -fno-omit-frame-pointer"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVASK_BUILD_BENCH=ON -DVASK_BUILD_TESTS=OFF \
  "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address" >/dev/null
cmake --build "$build" -j2 --target vask_bench_memory >/dev/null

export ALSOFT_DRIVERS=null
# A small quarantine keeps freed memory poisoned for a while without the quarantine itself
# showing up as growth of the resident set.
export ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=16:abort_on_error=0:exitcode=23"
export LSAN_OPTIONS="suppressions=$root/bench/lsan.supp:print_suppressions=1"
echo "soak: $frames frames of attract mode (address and leak sanitizers)"
started=$(date +%s)
set +e
(cd data && "$root/tests/support/with_xvfb.sh" "$build/bench/vask_bench_memory" "$frames" 20000 \
  >"$log" 2>"$log.err")
rc=$?
set -e
seconds=$(( $(date +%s) - started ))
PYTHONPATH="$root/bench" python3 - "$log" "$log.err" "$rc" "$frames" "$seconds" "$root/bench/soak.md" <<'PY'
import sys, re
from memory_trend import trend
log, err, rc, frames, seconds, md = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]), sys.argv[6]
samples, done, respawns, peak = [], None, None, None
for line in open(log):
    p = line.split()
    if not p: continue
    if p[0] == "sample": samples.append((int(p[1]), int(p[2]), int(p[3]), int(p[4])))
    elif p[0] == "done": done = int(p[1])
    elif p[0] == "respawns": respawns = int(p[1])
    elif p[0] == "peak_rss_kib": peak = int(p[1])
errtext = open(err, errors="replace").read()
asan_error = "ERROR: AddressSanitizer" in errtext or "runtime error:" in errtext
leaks = re.findall(r"SUMMARY: AddressSanitizer: (\d+) byte\(s\) leaked in (\d+) allocation", errtext)
suppressed = re.findall(r"^\s*(\d+)\s+(\d+)\s+(\S+)$", errtext, re.M)
settled = [s for s in samples if s[0] >= 40000] or samples
growth, heap_growth = trend(settled, 1), trend(settled, 3)
ok_frames = done == frames and rc == 0
# The sanitizer keeps freed blocks in quarantine and its own bookkeeping, so the resident
# set is reported but judged by the live heap: it must not grow.
ok = ok_frames and not asan_error and not leaks and abs(heap_growth) < 1024
lines = ["## Soak run (`bench/soak.sh`)", "",
         f"{frames:,} frames of five-rider attract mode, the game's code built with AddressSanitizer and LeakSanitizer, "
         f"{seconds} s: **{'passed' if ok else 'FAILED'}**.", ""]
lines.append(f"- Ran to the end: {'yes' if ok_frames else 'no (exit code %d)' % rc}; {respawns} respawns.")
lines.append(f"- Memory errors: {'yes, see the sanitizer report' if asan_error else 'none'}.")
lines.append(f"- Leaks: {'%s bytes in %s allocations' % leaks[0] if leaks else 'none reported'}"
             + (" (suppressed, inside the driver and system libraries only: " + ", ".join(f"{name} {int(b):,} bytes" for _, b, name in suppressed) + ")" if suppressed else "") + ".")
if settled and peak:
    lines.append(f"- Live heap from frame 40,000: trend {heap_growth:+.0f} KiB over the run, samples within "
                 f"{min(s[3] for s in settled):,}..{max(s[3] for s in settled):,} KiB.")
    lines.append(f"- Resident set (with the sanitizer's quarantine and shadow memory) from frame 40,000: trend {growth:+.0f} KiB, "
                 f"samples within {min(s[1] for s in settled):,}..{max(s[1] for s in settled):,} KiB; peak {peak:,} KiB.")
else:
    lines.append("- Memory: no samples.")
lines.append("- Samples (frame: resident KiB / live heap KiB / trail points): "
             + ", ".join(f"{f:,}: {k:,}/{h:,}/{p}" for f, k, p, h in samples))
open(md, "w").write("\n".join(lines) + "\n")
print("\n".join(lines))
if not ok:
    sys.stderr.write(errtext[-4000:])
    sys.exit(1)
PY
