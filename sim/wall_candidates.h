// The walls that can matter to one rider during one movement call. A rider keeps its line
// through a call unless it turns, so only walls that reach its line, or that span a stretch
// of the cross line it can pass through, can stop it or steer it. Movement gathers them once
// per call; the collision test and the steering then test those instead of every wall of
// the match. Anything that changes the rider's line (a turn, a respawn) makes them unusable,
// and the tests fall back to every wall.
#pragma once
#include <stdint.h>
#include "sim/riders.h"

enum { MAX_WALL_CANDIDATES = 4096 };

struct WallCandidates {
  int32_t rider;                 // -1: nothing gathered
  int32_t heading;               // the rider's line when they were gathered ...
  float lineX, lineZ;            // ... its fixed coordinate (x when travelling along z)
  float reachLow, reachHigh;     // the stretch of the moving coordinate the call can cover
  const TrailPoint* tail;        // the moving end then; a new corner means a turn
  int32_t count;
  const TrailPoint* first[MAX_WALL_CANDIDATES];  // each wall's first corner, in match order
  int32_t owner[MAX_WALL_CANDIDATES];
};

// Movement gathers the walls for `rider` before its sub-steps, for up to `subSteps` of
// them. Too many walls near its lines leaves nothing gathered.
void gatherWallCandidates(int rider, int subSteps);

// Movement drops them after its sub-steps.
void dropWallCandidates();

// The collision test and the steering ask for the walls of `rider` at its present place:
// the gathered ones when they still hold, else 0 (test every wall).
const WallCandidates* wallCandidatesFor(int rider);
