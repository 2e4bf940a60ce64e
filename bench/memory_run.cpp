// Resident memory over a long attract-mode run: the game's repaint and main-loop chores
// for FRAMES frames, sampling the resident set and the trail points alive every SAMPLE
// frames. Usage: vask_bench_memory FRAMES SAMPLE   (on a display; bench/run_all.sh and
// bench/soak.sh run it on a private Xvfb). Prints "sample <frame> <rss_kib> <points>
// <heap_kib>" lines, then "peak_rss_kib", "respawns" and "done". The heap figure is what the
// allocator holds for live blocks: with the address sanitizer its own count, which leaves
// out the freed blocks it keeps in quarantine; otherwise the C library's over all its arenas
// (mallinfo2 adds up the GL driver threads' arenas too).
#include <malloc.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "bench/game_setup.h"
#include "sim/riders.h"

namespace {

long residentKib() {
  long pages = 0, resident = 0;
  FILE* f = fopen("/proc/self/statm", "r");
  if (!f) return -1;
  if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
  fclose(f);
  return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long peakKib() {
  FILE* f = fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kib = -1;
  while (fgets(line, sizeof line, f))
    if (strncmp(line, "VmHWM:", 6) == 0) kib = atol(line + 6);
  fclose(f);
  return kib;
}

}  // namespace

extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {
long heapKib() {
  if (__sanitizer_get_current_allocated_bytes)
    return (long)(__sanitizer_get_current_allocated_bytes() / 1024);
  struct mallinfo2 m = mallinfo2();
  return (long)((m.uordblks + m.hblkhd) / 1024);
}
}  // namespace

int main(int argc, char** argv) {
  long frames = argc > 1 ? atol(argv[1]) : 100000;
  long every = argc > 2 ? atol(argv[2]) : 10000;
  if (frames < 1) frames = 100000;
  if (every < 1) every = 10000;
  if (!bringUpGame()) return 1;
  startAttractMode();
  printf("riders %d\n", riderCount);

  long respawns = 0, mostPoints = 0;
  int wasCrashed[MAX_RIDERS] = {0};
  printf("sample 0 %ld %ld %ld\n", residentKib(), countTrailPoints(), heapKib());
  for (long f = 1; f <= frames; ++f) {
    drawGameFrame();
    runLoopChores();
    for (int i = 0; i < riderCount; ++i) {
      const int crashed = riders[i].speed == 0.0f;
      if (wasCrashed[i] && !crashed) ++respawns;
      wasCrashed[i] = crashed;
    }
    if (f % 1000 == 0) {
      long points = countTrailPoints();
      if (points > mostPoints) mostPoints = points;
    }
    if (f % every == 0) {
      printf("sample %ld %ld %ld %ld\n", f, residentKib(), countTrailPoints(), heapKib());
      fflush(stdout);
    }
  }
  printf("peak_rss_kib %ld\n", peakKib());
  printf("most_trail_points %ld\n", mostPoints);
  printf("respawns %ld\n", respawns);
  takeDownGame();
  printf("done %ld\n", frames);
  return 0;
}
