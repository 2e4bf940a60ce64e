// Rider records, their trails of light, the match reset and respawning.
#include "sim/riders.h"

#include <stdlib.h>

#include "audio/sound_effects.h"
#include "render/attract_mode.h"
#include "render/camera.h"
#include "sim/heading_directions.h"
#include "sim/random.h"
#include "sim/ui_state.h"

Rider riders[MAX_RIDERS];
int32_t riderCount = 4;
int32_t localRider = 0;
int32_t riderSteering[MAX_RIDERS] = {STEER_PERSON};
int32_t matchShared = 0;

bool computerSteers(int i) {
  return riderSteering[i] != STEER_PERSON || (demoActive == 1 && !matchShared);
}

const float MAP_SCALE = 0.009765625f;  // one minimap unit per 102.4 world units
const float MAP_CENTRE = 125.0f;

void resetMatch() {
  for (int i = 0; i < riderCount; ++i) {
    riders[i].score = 0;
    // The respawn frees whatever trail the rider still has, so a second reset does not
    // leak the first match's walls.
    respawnRider(i);
  }
  chooseAttractShot();
}

void respawnRider(int i) {
  Rider& r = riders[i];
  TrailPoint* oldTrail = r.trailHead;

  r.speed = 10.0f;
  r.accel = 0.0f;
  // In attract mode the person's rider, steered by the computer, chases rider 1.
  if (riderSteering[i] == STEER_PERSON) r.target = 1;
  if (i == localRider) lookDirection = 3;  // look ahead along the new heading
  r.chaseTimer = 0;
  r.crashTimer = 0;

  // Three draws in this order: x, z, heading.
  r.x = static_cast<float>(drawRandom() % 10000 - 5000);
  r.y = 12.0f;
  r.z = static_cast<float>(drawRandom() % 10000 - 5000);
  r.heading = drawRandom() % 4;
  r.dirX = headingDirX[r.heading];
  r.dirZ = headingDirZ[r.heading];
  if (i == localRider) cameraYaw = baseYaw[r.heading];

  while (oldTrail) {
    TrailPoint* next = oldTrail->next;
    free(oldTrail);
    oldTrail = next;
  }
  r.trailHead = 0;
  r.trailTail = 0;

  // A zero-length wall at the spawn spot; the second point is the moving end.
  appendTrailPoint(i);
  appendTrailPoint(i);
}

TrailPoint* appendTrailPoint(int i) {
  Rider& r = riders[i];
  TrailPoint* point = static_cast<TrailPoint*>(malloc(sizeof(TrailPoint)));
  // Out of memory: leave the trail as it is rather than link a bad point. The wall then
  // misses this corner (or, at a respawn, the rider runs without a wall) but every list
  // stays well formed; movement skips a missing moving end.
  if (!point) return r.trailTail;

  point->mapX = r.x * MAP_SCALE + MAP_CENTRE;
  point->mapY = MAP_CENTRE - r.z * MAP_SCALE;
  point->red = static_cast<float>(r.color & 0xffu);
  point->green = static_cast<float>((r.color >> 8) & 0xffu);
  point->blue = static_cast<float>((r.color >> 16) & 0xffu);
  if (i == localRider) point->blue = 63.0f;  // the local rider's walls always carry this blue
  point->alpha = 255.0f;  // never blended; opaque is the honest value
  point->x = r.x;
  point->y = 0.0f;
  point->z = r.z;
  point->next = 0;

  if (!r.trailHead) r.trailHead = point;
  else r.trailTail->next = point;
  r.trailTail = point;
  return point;
}
