#include "arena.h"

#include "sim/riders.h"
#include "sim/ui_state.h"
#include "tests/doubles/recorded_sound.h"

const float expectedDirX[4] = {0.0f, 1.0f, 0.0f, -1.0f};
const float expectedDirZ[4] = {1.0f, 0.0f, -1.0f, 0.0f};

void clearArena(int count) {
  riderCount = count;
  demoActive = 0;
  for (int i = 0; i < count; ++i) {
    Rider& r = riders[i];
    r.color = 0;
    respawnRider(i);
    r.score = 0;
    r.target = 0;
    // Odd coordinates near the corner: on no line any scenario uses.
    placeRider(i, 9001.0f + 7.0f * i, -9001.0f - 7.0f * i, 0);
    r.speed = 0.0f;
  }
  clearRecordedSounds();
}

void placeRider(int i, float x, float z, int heading) {
  Rider& r = riders[i];
  r.x = x;
  r.z = z;
  r.heading = heading;
  r.dirX = expectedDirX[heading];
  r.dirZ = expectedDirZ[heading];
  r.speed = 10.0f;
  r.accel = 0.0f;
  r.crashTimer = 0;
  r.chaseTimer = 0;
  for (TrailPoint* p = r.trailHead; p; p = p->next) {
    p->x = x;
    p->z = z;
  }
}

void layTrail(int i, std::initializer_list<Corner> corners) {
  Rider& r = riders[i];
  const Corner* c = corners.begin();
  respawnRider(i);
  placeRider(i, c->x, c->z, 0);
  for (++c; c != corners.end(); ++c) {
    if (c != corners.begin() + 1) appendTrailPoint(i);
    r.x = c->x;
    r.z = c->z;
    r.trailTail->x = c->x;
    r.trailTail->z = c->z;
  }
  r.speed = 0.0f;
}

int trailLength(int i) {
  int n = 0;
  for (const TrailPoint* p = riders[i].trailHead; p; p = p->next) ++n;
  return n;
}
