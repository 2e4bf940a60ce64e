#include "camera_doubles.h"
#include "platform/opengl.h"
#include "sim/movement.h"
#include "sim/random.h"
#include "sim/riders.h"

RecordedLook recordedLooks[RECORDED_LOOK_CAPACITY];
int recordedLookCount = 0;
int stepLog[STEP_LOG_CAPACITY];
int stepLogCount = 0;

Rider riders[MAX_RIDERS];
int32_t riderCount = 4;
int32_t localRider = 0;

namespace {
int32_t scripted[64];
int scriptedCount = 0;
int scriptedNext = 0;

void logStep(int entry) {
  if (stepLogCount < STEP_LOG_CAPACITY) stepLog[stepLogCount++] = entry;
}
}  // namespace

void GLAPIENTRY gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                          GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY,
                          GLdouble upZ) {
  logStep(-1);
  if (recordedLookCount >= RECORDED_LOOK_CAPACITY) return;
  recordedLooks[recordedLookCount++] = {
      {eyeX, eyeY, eyeZ}, {centerX, centerY, centerZ}, {upX, upY, upZ}};
}

void moveRider(int rider) { logStep(rider); }

int32_t matchShared = 0;

void seedRandom(uint32_t) {}

int32_t drawViewerRandom() { return 0; }

int32_t drawRandom() { return scriptedNext < scriptedCount ? scripted[scriptedNext++] : 0; }

void scriptRandom(const int32_t* draws, int count) {
  scriptedCount = 0;
  scriptedNext = 0;
  for (int i = 0; i < count && i < 64; i++) scripted[scriptedCount++] = draws[i];
}

void clearCameraRecords() {
  recordedLookCount = 0;
  stepLogCount = 0;
}

const RecordedLook& lastLook() {
  static RecordedLook none = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  return recordedLookCount ? recordedLooks[recordedLookCount - 1] : none;
}

void placeRider(int i, float x, float z, int heading) {
  static const float dirX[4] = {0, 1, 0, -1}, dirZ[4] = {1, 0, -1, 0};
  riders[i].x = x;
  riders[i].y = 12.0f;
  riders[i].z = z;
  riders[i].heading = heading;
  riders[i].dirX = dirX[heading];
  riders[i].dirZ = dirZ[heading];
}
