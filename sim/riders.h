// Rider records, their trails of light, the match reset and respawning.
#pragma once
#include <stdint.h>
#include "model/model_reader.h"

enum { MAX_RIDERS = 5 };

const float LOOK_AHEAD = 85.0f;    // riders test the stretch this far in front of them
const float ARENA_EDGE = 10240.0f; // the arena spans -10240..10240 on x and z

// One corner of a wall: a vertex (minimap position, colour 0..255, world position at y 0)
// followed by the link to the next, newer corner.
struct TrailPoint : ModelVertex {
  TrailPoint* next;
};

struct Rider {
  int32_t heading;          // 0 +z, 1 +x, 2 -z, 3 -x
  float x, y, z;
  float dirX, dirZ;
  float speed;              // 0 marks a crashed rider
  float accel;
  float colorRed, colorGreen, colorBlue;
  uint32_t color;           // packed: red bits 0-7, green 8-15, blue 16-23
  int32_t chaseTimer;
  int32_t crashTimer;
  int32_t score;
  uint8_t target;
  TrailPoint* trailHead;    // oldest point
  TrailPoint* trailTail;    // the point that moves with the rider
};

extern Rider riders[MAX_RIDERS];
extern int32_t riderCount;     // 4 until the match file says otherwise; always 2..5
extern int32_t localRider;     // the rider this machine's viewer follows; 0 offline

// Who steers each rider. Offline a person steers rider 0; in a room people take riders
// over and give them back. A person's rider takes corners at full speed and chases rider 1
// after each respawn, on every machine alike.
enum { STEER_COMPUTER = 0, STEER_PERSON = 1 };
extern int32_t riderSteering[MAX_RIDERS];

// 1 when the match is shared with other machines or with a record: then nothing that one
// viewer does (the attract mode, its cameras) may change the match. Offline, attract mode
// hands the person's rider to the computer, as it always has.
extern int32_t matchShared;

// True when the computer steers the rider in this step.
bool computerSteers(int rider);

// Start-up resets the match once: scores 0, every rider respawned, first attract shot.
void resetMatch();

// The match reset and the crash countdown place a rider anew with a fresh two-point trail.
void respawnRider(int rider);

// Respawns and turns add a corner at the rider's position; returns the new last point.
TrailPoint* appendTrailPoint(int rider);
