// Computer riders: swerve from walls ahead, now and then turn toward the chased rider.
#include "sim/computer_rider.h"

#include <math.h>

#include "sim/random.h"
#include "sim/riders.h"
#include "sim/turning.h"
#include "sim/wall_candidates.h"

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

// The room left on each side of the look-ahead point.
struct Room {
  float plusX, minusX, plusZ, minusZ;
};

// Narrows the room by one wall from p to q (`own`: a wall of the rider itself).
static void measureWall(Room& room, const TrailPoint* p, const TrailPoint* q, bool own,
                        const Rider& r, float lookX, float lookZ, bool alongX, bool alongZ) {
  if (inclusivelyBetween(r.x, p->x, q->x)) {
    // Our own wall beside us (the one being drawn included) is not room lost.
    if (own && alongX && p->z == q->z) return;
    float d = fminf(fabsf(lookZ - p->z), fabsf(lookZ - q->z));
    // The side is told by the segment's first point; the distance is to its nearer end.
    if (lookZ > p->z) keepSmaller(room.minusZ, d);
    else keepSmaller(room.plusZ, d);
  } else if (inclusivelyBetween(r.z, p->z, q->z)) {
    if (own && alongZ && p->x == q->x) return;
    float d = fminf(fabsf(lookX - p->x), fabsf(lookX - q->x));
    if (lookX > p->x) keepSmaller(room.minusX, d);
    else keepSmaller(room.plusX, d);
  }
}

void steerComputerRider(int a) {
  Rider& r = riders[a];
  if (r.speed == 0.0f) return;  // crashed, perhaps in the collision test just before

  // Every distance is measured from the look-ahead point.
  const float lookX = r.x + LOOK_AHEAD * r.dirX;
  const float lookZ = r.z + LOOK_AHEAD * r.dirZ;
  const bool alongX = r.z == lookZ;
  const bool alongZ = r.x == lookX;

  // Only walls that reach the rider's lines matter; those gathered for this movement
  // call are all of them, in the same order.
  Room room = {NOTHING_FOUND, NOTHING_FOUND, NOTHING_FOUND, NOTHING_FOUND};
  if (const WallCandidates* c = wallCandidatesFor(a)) {
    for (int k = 0; k < c->count; ++k) {
      const TrailPoint* p = c->first[k];
      if (p->next) measureWall(room, p, p->next, c->owner[k] == a, r, lookX, lookZ, alongX, alongZ);
    }
  } else {
    for (int i = 0; i < riderCount; ++i)
      for (const TrailPoint* p = riders[i].trailHead; p && p->next; p = p->next)
        measureWall(room, p, p->next, i == a, r, lookX, lookZ, alongX, alongZ);
  }
  float freePlusX = room.plusX, freeMinusX = room.minusX;
  float freePlusZ = room.plusZ, freeMinusZ = room.minusZ;

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
