// Collisions and scoring: walls and the arena edge within the stretch ahead of a rider.
#include "sim/collision.h"

#include "audio/sound_effects.h"
#include "sim/riders.h"
#include "sim/wall_candidates.h"

bool strictlyBetween(float value, float a, float b) {
  float low = a < b ? a : b;
  float high = a < b ? b : a;
  return low < value && value < high;
}

// True when the wall from p to q lies strictly within the stretch from (x, z) to the
// look-ahead point (lookX, lookZ). Zero-length segments and segments ending exactly on the
// stretch never count.
static bool blocks(const TrailPoint* p, const TrailPoint* q, bool alongZ, float x, float z,
                   float lookX, float lookZ) {
  if (alongZ) {
    if (p->x == q->x)  // a wall along our own direction: hit only when on our line
      return x == p->x && strictlyBetween(lookZ, p->z, q->z);
    return strictlyBetween(x, p->x, q->x) && strictlyBetween(p->z, z, lookZ);  // crossing
  }
  if (p->z == q->z) return z == p->z && strictlyBetween(lookX, p->x, q->x);
  return strictlyBetween(p->x, x, lookX) && strictlyBetween(z, p->z, q->z);
}

static bool hitsTrail(const Rider& owner, float x, float z, float lookX, float lookZ) {
  const bool alongZ = x == lookX;
  for (const TrailPoint* p = owner.trailHead; p && p->next; p = p->next)
    if (blocks(p, p->next, alongZ, x, z, lookX, lookZ)) return true;
  return false;
}

void checkCollision(int a) {
  const Rider& r = riders[a];
  // Riders stop short: the look-ahead point is 85 units in front of them.
  const float lookX = r.x + LOOK_AHEAD * r.dirX;
  const float lookZ = r.z + LOOK_AHEAD * r.dirZ;

  // The first wall found decides who scores: lower rider index, then older segment. The
  // walls gathered for this movement call keep that order; walls left out cannot be hit.
  if (const WallCandidates* c = wallCandidatesFor(a)) {
    const bool alongZ = r.x == lookX;
    for (int k = 0; k < c->count; ++k) {
      const TrailPoint* p = c->first[k];
      if (p->next && blocks(p, p->next, alongZ, r.x, r.z, lookX, lookZ)) {
        crashRider(a, c->owner[k]);
        return;
      }
    }
  } else {
    for (int i = 0; i < riderCount; ++i) {
      if (hitsTrail(riders[i], r.x, r.z, lookX, lookZ)) {
        crashRider(a, i);
        return;
      }
    }
  }
  // Exactly on the edge is still inside.
  if (lookX < -ARENA_EDGE || lookX > ARENA_EDGE || lookZ > ARENA_EDGE || lookZ < -ARENA_EDGE)
    crashRider(a, -1);
}

void crashRider(int a, int hitRider) {
  soundStop(a);  // the rider's own engine
  soundPlay(a == localRider ? SOUND_BOOM : SOUND_BOOM2);
  riders[a].speed = 0.0f;
  // A wall of another rider taking part earns its owner a point; one's own wall or the
  // edge costs one.
  if (hitRider >= 0 && hitRider < riderCount && hitRider != a) riders[hitRider].score += 1;
  else riders[a].score -= 1;
}
