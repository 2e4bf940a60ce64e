// Turning: a quarter turn on the spot, a new corner in the trail and the turn sound.
#include "sim/turning.h"

#include "audio/sound_effects.h"
#include "render/camera.h"
#include "sim/heading_directions.h"
#include "sim/riders.h"

const float TURN_SOUND_SCALE = 0.005f;  // world units to the sound's listener units

void turnRider(int a, int keyCode) {
  Rider& r = riders[a];
  int32_t heading;
  if (keyCode == TURN_LEFT_KEY) heading = (r.heading + 3) & 3;
  else if (keyCode == TURN_RIGHT_KEY) heading = (r.heading + 1) & 3;
  else return;

  // Heard from the local rider: world z becomes the second component.
  const Rider& local = riders[localRider];
  soundPlace(SOUND_TURN, (r.x - local.x) * TURN_SOUND_SCALE, (r.z - local.z) * TURN_SOUND_SCALE,
             0.0f, 0.0f, 0.0f, 0.0f);
  soundPlay(SOUND_TURN);

  // Computer riders take every corner slowly.
  if (riderSteering[a] != STEER_PERSON) r.speed = 10.0f;

  appendTrailPoint(a);  // the old moving end stays behind as the corner

  r.heading = heading;
  r.dirX = headingDirX[heading];
  r.dirZ = headingDirZ[heading];
  if (a == localRider) cameraYaw = baseYaw[heading];  // the view turns at once
}
