// Rider cameras: each repaint advances the match one step, then sets the view.
#include "render/camera.h"
#include <math.h>
#include "platform/opengl.h"
#include "render/attract_mode.h"
#include "sim/movement.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

void lookAtMirrored(float eyeX, float eyeY, float eyeZ, float targetX, float targetY,
                    float targetZ, float upX, float upY, float upZ) {
  gluLookAt(-(double)eyeX, eyeY, eyeZ, -(double)targetX, targetY, targetZ, upX, upY, upZ);
}

void updateFrame() {
  // A shared match is stepped by its session, which may run several steps before a frame.
  if (!matchShared)
    for (int i = 0; i < riderCount && i < MAX_RIDERS; i++) moveRider(i);
  if (demoActive != 0) {
    placeAttractCamera();
    return;
  }

  const Rider& r = riders[localRider];
  if (viewMode == 0) smoothCameraYaw(r.heading, lookDirection);
  switch (viewMode) {
    case 0:  // first person: 50 ahead and 30 up, looking level along the smoothed yaw
      lookAtMirrored(r.x + 50.0f * r.dirX, r.y + 30.0f, r.z + 50.0f * r.dirZ,
                     r.x + 20000.0f * cosf(cameraYaw), r.y + 30.0f,
                     r.z + 20000.0f * sinf(cameraYaw), 0.0f, 1.0f, 0.0f);
      break;
    case 1:  // chase, always from the -z side
      lookAtMirrored(r.x, r.y + 100.0f, r.z - 250.0f, r.x, r.y + 40.0f, r.z, 0.0f, 1.0f, 0.0f);
      break;
    case 2:  // chase, off to the side
      lookAtMirrored(r.x + 200.0f, r.y + 125.0f, r.z - 250.0f, r.x, r.y + 40.0f, r.z, 0.0f,
                     1.0f, 0.0f);
      break;
    case 3:  // high above and behind
      lookAtMirrored(r.x, r.y + 2000.0f, r.z - 1024.0f, r.x, r.y, r.z + 1024.0f, 0.0f, 1.0f,
                     0.0f);
      break;
    default:
      break;
  }
}
