// Computer riders: swerve from walls ahead, now and then turn toward the chased rider.
#include "sim/computer_rider.h"

#include <math.h>

#include "sim/random.h"
#include "sim/riders.h"
#include "sim/turning.h"

const float NOTHING_FOUND = 32000.0f;
const float DANGER_DISTANCE = 60.0f;
const float SPEED_AFTER_SWERVE = 10.0f;
const int32_t CHASE_PERIOD = 200;
const float CHASE_CLEARANCE = 480.0f;
const float SPEED_GAIN = 0.003f;

bool inclusivelyBetween(float value, float a, float b) {
  float low = a < b ? a : b;
  float high = a < b ? b : a;
  return low <= value && value <= high;
}

static void keepSmaller(float& distance, float d) {
  if (d < distance) distance = d;
}

void steerComputerRider(int a) {
  Rider& r = riders[a];
  if (r.speed == 0.0f) return;  // crashed, perhaps in the collision test just before

  // Every distance is measured from the look-ahead point.
  const float lookX = r.x + LOOK_AHEAD * r.dirX;
  const float lookZ = r.z + LOOK_AHEAD * r.dirZ;
  const bool alongX = r.z == lookZ;
  const bool alongZ = r.x == lookX;

  float freePlusX = NOTHING_FOUND, freeMinusX = NOTHING_FOUND;
  float freePlusZ = NOTHING_FOUND, freeMinusZ = NOTHING_FOUND;

  for (int i = 0; i < riderCount; ++i) {
    const bool own = i == a;
    for (const TrailPoint* p = riders[i].trailHead; p && p->next; p = p->next) {
      const TrailPoint* q = p->next;
      if (inclusivelyBetween(r.x, p->x, q->x)) {
        // Our own wall beside us (the one being drawn included) is not room lost.
        if (own && alongX && p->z == q->z) continue;
        float d = fminf(fabsf(lookZ - p->z), fabsf(lookZ - q->z));
        // The side is told by the segment's first point; the distance is to its nearer end.
        if (lookZ > p->z) keepSmaller(freeMinusZ, d);
        else keepSmaller(freePlusZ, d);
      } else if (inclusivelyBetween(r.z, p->z, q->z)) {
        if (own && alongZ && p->x == q->x) continue;
        float d = fminf(fabsf(lookX - p->x), fabsf(lookX - q->x));
        if (lookX > p->x) keepSmaller(freeMinusX, d);
        else keepSmaller(freePlusX, d);
      }
    }
  }

  // Nothing on a side: the arena edge bounds it. A wall found keeps its distance even
  // when the edge is nearer.
  if (freePlusZ == NOTHING_FOUND) freePlusZ = ARENA_EDGE - lookZ;
  if (freeMinusZ == NOTHING_FOUND) freeMinusZ = lookZ + ARENA_EDGE;
  if (freeMinusX == NOTHING_FOUND) freeMinusX = lookX + ARENA_EDGE;
  if (freePlusX == NOTHING_FOUND) freePlusX = ARENA_EDGE - lookX;

  const int heading = r.heading & 3;
  const float freeAhead[4] = {freePlusZ, freePlusX, freeMinusZ, freeMinusX};

  // Swerve toward the side with more room; on equal room toward -z when travelling
  // along x and toward +x when travelling along z.
  if (freeAhead[heading] <= DANGER_DISTANCE) {
    int key;
    switch (heading) {
      case 0: key = freeMinusX > freePlusX ? TURN_LEFT_KEY : TURN_RIGHT_KEY; break;
      case 1: key = freePlusZ > freeMinusZ ? TURN_LEFT_KEY : TURN_RIGHT_KEY; break;
      case 2: key = freeMinusX > freePlusX ? TURN_RIGHT_KEY : TURN_LEFT_KEY; break;
      default: key = freePlusZ > freeMinusZ ? TURN_RIGHT_KEY : TURN_LEFT_KEY; break;
    }
    turnRider(a, key);
    r.speed = SPEED_AFTER_SWERVE;  // the local rider too, in attract mode
    return;
  }

  r.chaseTimer += 1;
  if (r.chaseTimer >= CHASE_PERIOD) {
    r.chaseTimer = 0;
    if (drawRandom() % 4 != 0) return;  // no chase, and no speed gain this time

    // A target outside the match cannot be chased; the match file never sets one.
    if (r.target < riderCount) {
      const Rider& t = riders[r.target];
      int key = 0;
      switch (heading) {
        case 0:
          if (t.x > lookX && freePlusX > CHASE_CLEARANCE) key = TURN_RIGHT_KEY;
          else if (t.x < lookX && freeMinusX > CHASE_CLEARANCE) key = TURN_LEFT_KEY;
          break;
        case 1:
          if (t.z > lookZ && freePlusZ > CHASE_CLEARANCE) key = TURN_LEFT_KEY;
          else if (t.z < lookZ && freeMinusZ > CHASE_CLEARANCE) key = TURN_RIGHT_KEY;
          break;
        case 2:
          if (t.x > lookX && freePlusX > CHASE_CLEARANCE) key = TURN_LEFT_KEY;
          else if (t.x < lookX && freeMinusX > CHASE_CLEARANCE) key = TURN_RIGHT_KEY;
          break;
        default:
          if (t.z > lookZ && freePlusZ > CHASE_CLEARANCE) key = TURN_RIGHT_KEY;
          else if (t.z < lookZ && freeMinusZ > CHASE_CLEARANCE) key = TURN_LEFT_KEY;
          break;
      }
      if (key) turnRider(a, key);
    }
  }

  r.speed += SPEED_GAIN;  // after a chase turn too: 10.003
}
