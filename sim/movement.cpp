// Movement: one simulation step of one rider in 2-unit sub-steps, and the crash countdown.
#include "sim/movement.h"

#include "audio/sound_effects.h"
#include "sim/collision.h"
#include "sim/computer_rider.h"
#include "sim/riders.h"
#include "sim/ui_state.h"
#include "sim/wall_candidates.h"

const float SUB_STEP = 2.0f;
const float LOWEST_SPEED = 10.0f;
const float HIGHEST_SPEED = 25.0f;
const float MAP_SCALE = 0.009765625f;
const float MAP_CENTRE = 125.0f;
const int32_t WARNING_STEP = 80;   // the turn sound warns that the rider is coming back
const int32_t RESPAWN_STEP = 120;

void moveRider(int a) {
  Rider& r = riders[a];

  if (r.speed == 0.0f) {
    r.crashTimer += 1;
    if (r.crashTimer >= RESPAWN_STEP) {
      respawnRider(a);  // speed 10 again: the rider moves in this same call
      soundPlay(a);     // its engine starts again
    }
    if (r.crashTimer == WARNING_STEP) soundPlay(SOUND_TURN);
  }
  if (!(r.speed > 0.0f)) return;

  const bool computerDriven = computerSteers(a);
  // At most 13 sub-steps at the top speed; more, and the tests see every wall again.
  gatherWallCandidates(a, 16);
  float covered = 0.0f;
  do {
    r.x += SUB_STEP * r.dirX;
    r.z += SUB_STEP * r.dirZ;

    r.speed += r.accel;
    if (r.speed < LOWEST_SPEED) r.speed = LOWEST_SPEED;
    if (r.speed > HIGHEST_SPEED) r.speed = HIGHEST_SPEED;

    TrailPoint* tail = r.trailTail;
    if (tail) {  // missing only after an out-of-memory respawn
      tail->x = r.x;
      tail->z = r.z;
      tail->mapX = r.x * MAP_SCALE + MAP_CENTRE;
      tail->mapY = MAP_CENTRE - r.z * MAP_SCALE;
    }

    checkCollision(a);
    if (computerDriven) steerComputerRider(a);

    covered += SUB_STEP;
    // The speed is read again here: a crash (0) ends the call, a swerve (10) may shorten it.
  } while (covered < r.speed);
  dropWallCandidates();
}
