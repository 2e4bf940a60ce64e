// Attract mode on screen: the six camera moves, and the engines heard from the touring eye.
#include <math.h>
#include "audio/sound_effects.h"
#include "render/attract_mode.h"
#include "render/camera.h"
#include "sim/riders.h"

namespace {
void lookAtRider(const Rider& s) {
  lookAtMirrored(shotEyeX, shotEyeY, shotEyeZ, s.x, s.y + 30.0f, s.z, 0.0f, 1.0f, 0.0f);
}

// Beside the rider: the direction is used crosswise, so the eye sits off to its side.
void placeBeside(const Rider& s, float height) {
  shotEyeX = s.x + shotDistance * s.dirZ;
  shotEyeY = s.y + height;
  shotEyeZ = s.z + shotDistance * s.dirX;
}
}  // namespace

void placeAttractCamera() {
  const Rider& s = riders[shotRider];
  switch (shotType) {
    case 0:  // closing side view: 800 units out, 4 closer every repaint
      placeBeside(s, 30.0f);
      lookAtRider(s);
      shotDistance -= 4.0f;
      break;
    case 1:  // fixed eyes set when the shot began, turning to follow
    case 2:
      lookAtRider(s);
      break;
    case 3:  // closing side view that stops after 60 repaints
      if (shotTimer < 60) {
        placeBeside(s, 50.0f);
        shotDistance -= 10.0f;
      }
      lookAtRider(s);
      break;
    case 4:  // orbit at radius 300, 300 up
      shotEyeX = (float)(s.x + 300.0 * cos(shotAngle));
      shotEyeY = s.y + 300.0f;
      shotEyeZ = (float)(s.z + 300.0 * sin(shotAngle));
      lookAtRider(s);
      shotAngle += 0.03;
      break;
    case 5:  // pan across the arena from the fixed far eye
      lookAtMirrored(shotEyeX, shotEyeY, shotEyeZ, (float)(5000.0 * cos(shotAngle)), 0.0f,
                     (float)(5000.0 * sin(shotAngle)), 0.0f, 1.0f, 0.0f);
      shotAngle += 0.003;
      break;
    default:
      break;
  }
  shotTimer += 1;
  if (shotTimer >= 200) chooseAttractShot();
}

void placeAttractSounds() {
  for (int i = 0; i < riderCount && i < MAX_RIDERS; i++) {
    const Rider& r = riders[i];
    // World z goes into the listener's second component, as for the turn sound.
    soundPlace(i, (r.x - shotEyeX) * 0.0025f, (r.z - shotEyeZ) * 0.0025f, 0.0f, r.dirX, r.dirZ,
               0.0f);
  }
}
