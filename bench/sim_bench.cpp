// One simulation step (every rider's moveRider, as the repaint does it) for five
// computer-driven riders, against the number of trail points in the match. Each rider's
// movement call looks at every wall segment of the match once, to gather those near its
// lines, and its sub-steps test those for collisions and steering. The walls are laid by
// hand as zigzags well behind the riders, so the step finds nothing and turns nobody;
// every rider is put back after each step, so each timed step sees the same match.
#include <stdlib.h>

#include <benchmark/benchmark.h>

#include "sim/movement.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

namespace {

Rider saved[MAX_RIDERS];
TrailPoint savedTail[MAX_RIDERS];

void clearTrail(int i) {
  TrailPoint* p = riders[i].trailHead;
  while (p) {
    TrailPoint* next = p->next;
    free(p);
    p = next;
  }
  riders[i].trailHead = riders[i].trailTail = 0;
}

void addCorner(int i, float x, float z) {
  riders[i].x = x;
  riders[i].z = z;
  appendTrailPoint(i);
}

// Rider i rides +z at x = -8000 + 4000 i, z = 2000. Its wall: a zigzag between
// x + 200 and x + 1800 climbing from z = -10000 in half units, then corners up to
// z = -5000 and across to its own line, and the moving end at the rider.
void layMatch(long totalPoints) {
  riderCount = 5;
  demoActive = 1;  // every rider computer-driven, as in attract mode
  long perRider = totalPoints / riderCount;
  for (int i = 0; i < riderCount; ++i) {
    clearTrail(i);
    Rider& r = riders[i];
    r.heading = 0;
    r.dirX = 0.0f;
    r.dirZ = 1.0f;
    r.y = 12.0f;
    r.speed = 10.0f;
    r.accel = 0.0f;
    r.chaseTimer = 0;
    r.crashTimer = 0;
    r.target = (uint8_t)((i + 1) % riderCount);
    r.color = 0x00ff8040u;
    const float x = -8000.0f + 4000.0f * (float)i;
    const float left = x + 200.0f, right = x + 1800.0f;
    long zigzag = perRider - 3;
    float z = -10000.0f, cx = left;
    for (long k = 0; k < zigzag; ++k) {
      // left, right, right (up half a unit), left, left (up) ...: corners of an S-walk
      const long phase = k % 4;
      cx = (phase == 0 || phase == 3) ? left : right;
      addCorner(i, cx, z);
      if (phase == 1 || phase == 3) z += 0.5f;
    }
    addCorner(i, cx, -5000.0f);
    addCorner(i, x, -5000.0f);
    addCorner(i, x, 2000.0f);  // the moving end, where the rider is
    saved[i] = riders[i];
    savedTail[i] = *riders[i].trailTail;
  }
}

void putBack() {
  for (int i = 0; i < riderCount; ++i) {
    TrailPoint* tail = saved[i].trailTail;
    // A turn would have added corners after the saved end; none is expected.
    TrailPoint* extra = tail->next;
    while (extra) {
      TrailPoint* next = extra->next;
      free(extra);
      extra = next;
    }
    *tail = savedTail[i];
    riders[i] = saved[i];
  }
}

void simulationStep(benchmark::State& state) {
  const long total = state.range(0);
  seedRandom(7);
  layMatch(total);
  long segments = 0, points = 0;
  for (int i = 0; i < riderCount; ++i)
    for (const TrailPoint* p = riders[i].trailHead; p; p = p->next) ++points;
  segments = points - riderCount;

  long subSteps = 0, turns = 0, crashes = 0;
  for (auto _ : state) {
    for (int i = 0; i < riderCount; ++i) moveRider(i);
    state.PauseTiming();
    for (int i = 0; i < riderCount; ++i) {
      subSteps += (long)((riders[i].z - saved[i].z) / 2.0f + 0.5f);
      if (riders[i].trailTail != saved[i].trailTail) ++turns;
      if (riders[i].speed == 0.0f) ++crashes;
    }
    putBack();
    state.ResumeTiming();
  }
  const double steps = (double)state.iterations();
  // Every movement call examines each segment once; the few gathered near the rider's
  // lines are then tested at each sub-step, which the per-segment figure includes.
  const double examined = steps * (double)riderCount * (double)segments;
  state.counters["trail_points"] = (double)points;
  state.counters["sub_steps_per_step"] = (double)subSteps / steps;
  state.counters["segments_examined_per_step"] = examined / steps;
  state.counters["ns_per_segment_test"] =
      benchmark::Counter(examined, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["turns"] = (double)turns;
  state.counters["crashes"] = (double)crashes;
  for (int i = 0; i < riderCount; ++i) clearTrail(i);
}

}  // namespace

BENCHMARK(simulationStep)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
