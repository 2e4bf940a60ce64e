// Choosing attract-mode shots. No GL here: the match reset picks the first shot.
#include "render/attract_mode.h"
#include "sim/random.h"
#include "sim/riders.h"

int32_t shotType = 0;
int32_t shotRider = 0;
int32_t shotTimer = 0;
float shotDistance = 0.0f;
double shotAngle = 0.0;
float shotEyeX = 0.0f, shotEyeY = 0.0f, shotEyeZ = 0.0f;

// A shared match must come out the same on every machine, whatever each viewer watches.
static int32_t drawForShot() { return matchShared ? drawViewerRandom() : drawRandom(); }

void chooseAttractShot() {
  shotType = drawForShot() % 6;
  shotRider = drawForShot() % riderCount;
  const Rider& s = riders[shotRider];
  switch (shotType) {
    case 0:  // closing side view
    case 3:  // closing side view that stops
      shotDistance = 800.0f;
      break;
    case 1:  // fixed camera ahead, high
      shotEyeX = s.x + 1200.0f * s.dirX;
      shotEyeY = s.y + 250.0f;
      shotEyeZ = s.z + 1200.0f * s.dirZ;
      break;
    case 2:  // fixed camera ahead, off to one side
      shotEyeX = s.x + 800.0f * s.dirX;
      shotEyeY = s.y + 150.0f;
      shotEyeZ = s.z + 800.0f * s.dirZ;
      if (s.dirX != 0.0f) shotEyeZ += 200.0f;
      else shotEyeX += 200.0f;
      break;
    case 4:  // orbit
      shotAngle = 0.0;
      break;
    case 5:  // pan across the arena from a fixed point
      shotAngle = 3.14159 / 3;
      shotEyeX = 0.0f;
      shotEyeY = 2000.0f;
      shotEyeZ = -10000.0f;
      break;
  }
  shotTimer = 0;
}
