#include "app/engine_sounds.h"

#include "audio/sound_effects.h"
#include "sim/riders.h"

void placeEngineSounds() {
  const Rider& k = riders[localRider];
  for (int i = 1; i < riderCount; i++) {
    const Rider& r = riders[i];
    float dx = (r.x - k.x) * 0.0025f;
    float dz = (r.z - k.z) * 0.0025f;
    float s = r.speed - 9.0f;  // a crashed rider (speed 0) is placed with -9
    // The rider's distance ahead of us along our direction of travel, on the second axis;
    // its lateral offset does not enter.
    float ahead = dx * k.dirX + dz * k.dirZ;
    float vx = 0.0f, vy = 0.0f;
    switch (k.heading) {
      case 0: vx = s * r.dirX; vy = s * r.dirZ; break;
      case 1: vx = -s * r.dirZ; vy = s * r.dirX; break;
      case 2: vx = -s * r.dirX; vy = s * r.dirZ; break;
      case 3: vx = s * r.dirZ; vy = s * r.dirX; break;
      default: break;
    }
    soundPlace(i, 0.0f, ahead, 0.0f, vx, vy, 0.0f);
  }
  // 22450 Hz at speed 10, 28450 Hz at 25, 18450 Hz while crashed.
  soundSetFrequency(0, 22050 - (int)(-400.0f * (k.speed - 9.0f)));
}
