// Collisions and scoring: walls and the arena edge within the stretch ahead of a rider.
#include "sim/collision.h"

#include "audio/sound_effects.h"
#include "sim/riders.h"

bool strictlyBetween(float value, float a, float b) {
  float low = a < b ? a : b;
  float high = a < b ? b : a;
  return low < value && value < high;
}

// True when a wall of `owner` lies strictly within the stretch from (x, z) to the
// look-ahead point (lookX, lookZ). Zero-length segments and segments ending exactly on the
// stretch never count.
static bool hitsTrail(const Rider& owner, float x, float z, float lookX, float lookZ) {
  const bool alongZ = x == lookX;
  for (const TrailPoint* p = owner.trailHead; p && p->next; p = p->next) {
    const TrailPoint* q = p->next;
    bool hit;
    if (alongZ) {
      if (p->x == q->x)  // a wall along our own direction: hit only when on our line
        hit = x == p->x && strictlyBetween(lookZ, p->z, q->z);
      else               // a crossing wall
        hit = strictlyBetween(x, p->x, q->x) && strictlyBetween(p->z, z, lookZ);
    } else {
      if (p->z == q->z)
        hit = z == p->z && strictlyBetween(lookX, p->x, q->x);
      else
        hit = strictlyBetween(p->x, x, lookX) && strictlyBetween(z, p->z, q->z);
    }
    if (hit) return true;
  }
  return false;
}

void checkCollision(int a) {
  const Rider& r = riders[a];
  // Riders stop short: the look-ahead point is 85 units in front of them.
  const float lookX = r.x + LOOK_AHEAD * r.dirX;
  const float lookZ = r.z + LOOK_AHEAD * r.dirZ;

  // The first wall found decides who scores: lower rider index, then older segment.
  for (int i = 0; i < riderCount; ++i) {
    if (hitsTrail(riders[i], r.x, r.z, lookX, lookZ)) {
      crashRider(a, i);
      return;
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
