// The walls that can matter to one rider during one movement call.
#include "sim/wall_candidates.h"

#include "sim/computer_rider.h"

namespace {
WallCandidates gathered = {-1, 0, 0.0f, 0.0f, 0.0f, 0.0f, 0, 0, {0}, {0}};
}

void gatherWallCandidates(int a, int subSteps) {
  gathered.rider = -1;
  gathered.count = 0;
  if (a < 0 || a >= riderCount) return;
  const Rider& r = riders[a];
  const bool alongZ = r.dirX == 0.0f;
  if (alongZ == (r.dirZ == 0.0f)) return;  // not on one axis: nothing to gain
  const float reach = 2.0f * (float)subSteps;
  const float line = alongZ ? r.x : r.z;    // stays put while the rider keeps its heading
  const float from = alongZ ? r.z : r.x;
  const float to = from + reach * (alongZ ? r.dirZ : r.dirX);
  const float low = from < to ? from : to, high = from < to ? to : from;

  int32_t n = 0;
  for (int i = 0; i < riderCount; ++i) {
    for (const TrailPoint* p = riders[i].trailHead; p && p->next; p = p->next) {
      const TrailPoint* q = p->next;
      // A wall counts when it reaches the rider's line (the rider's own moving end always
      // does, however it grows), or when its span on the moving coordinate meets the
      // stretch covered.
      const float lineA = alongZ ? p->x : p->z, lineB = alongZ ? q->x : q->z;
      const float spanA = alongZ ? p->z : p->x, spanB = alongZ ? q->z : q->x;
      const float spanLow = spanA < spanB ? spanA : spanB;
      const float spanHigh = spanA < spanB ? spanB : spanA;
      const bool keep = inclusivelyBetween(line, lineA, lineB) ||
                        (spanLow <= high && low <= spanHigh);
      if (!keep) continue;
      if (n == MAX_WALL_CANDIDATES) return;  // crowded: test everything this call
      gathered.first[n] = p;
      gathered.owner[n] = i;
      ++n;
    }
  }
  gathered.count = n;
  gathered.heading = r.heading;
  gathered.lineX = r.x;
  gathered.lineZ = r.z;
  gathered.reachLow = low;
  gathered.reachHigh = high;
  gathered.tail = r.trailTail;
  gathered.rider = a;
}

void dropWallCandidates() {
  gathered.rider = -1;
  gathered.count = 0;
}

const WallCandidates* wallCandidatesFor(int a) {
  if (gathered.rider != a || a < 0 || a >= riderCount) return 0;
  const Rider& r = riders[a];
  if (r.heading != gathered.heading || r.trailTail != gathered.tail) return 0;
  const bool alongZ = r.dirX == 0.0f;
  const float line = alongZ ? r.x : r.z;
  const float at = alongZ ? r.z : r.x;
  if (line != (alongZ ? gathered.lineX : gathered.lineZ)) return 0;
  if (at < gathered.reachLow || at > gathered.reachHigh) return 0;
  return &gathered;
}
