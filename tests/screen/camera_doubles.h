// Link-time stand-ins for the camera tests: a recording look-at, a recording rider step,
// a rider table of our own (and a way to place its riders) and a scripted random generator.
#pragma once
#include <stdint.h>

struct RecordedLook {
  double eye[3], target[3], up[3];
};

enum { RECORDED_LOOK_CAPACITY = 2048, STEP_LOG_CAPACITY = 64 };

extern RecordedLook recordedLooks[RECORDED_LOOK_CAPACITY];
extern int recordedLookCount;

// What happened in order: a rider index for each moveRider, -1 for each look.
extern int stepLog[STEP_LOG_CAPACITY];
extern int stepLogCount;

// The next draws of the random generator, in order; 0 once they run out.
void scriptRandom(const int32_t* draws, int count);

// Forgets the looks and the step log.
void clearCameraRecords();

const RecordedLook& lastLook();

// Rider i at (x, z) on the floor, heading 0 to 3, moving that way.
void placeRider(int i, float x, float z, int heading);
