// The first-person camera's yaw: kept apart from the GL code because turns and respawns
// in the simulation snap it.
#include "render/camera.h"

float cameraYaw = 0.0f;

// Not exact multiples of pi: these are the values the game has always used.
const float baseYaw[4] = {1.570795f, 0.0f, 4.712385f, 3.14159f};
const float lookOffset[4] = {1.570795f, -1.570795f, 3.14159f, 0.0f};

void smoothCameraYaw(int heading, int look) {
  if (heading < 0 || heading > 3 || look < 0 || look > 3) return;
  float targetYaw = baseYaw[heading] + lookOffset[look];
  // Along the real line, never wrapped: a half-turn target is approached the long way too.
  cameraYaw = cameraYaw + (targetYaw - cameraYaw) * 0.5f;
}
