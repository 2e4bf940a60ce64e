// Setting up match scenarios by hand: riders placed where a test wants them, walls laid
// through given corners, every other rider parked out of the way.
#pragma once
#include <initializer_list>

struct Corner {
  float x, z;
};

// `count` riders take part, each one crashed (speed 0) in a far corner of its own with a
// zero-length trail, score 0, colour 0, target 0; attract mode off; no sounds recorded.
void clearArena(int count);

// Puts rider i at (x, z) riding `heading` at speed 10, its whole trail moved onto that spot.
void placeRider(int i, float x, float z, int heading);

// Gives rider i a wall through the corners in order and leaves it crashed on the last one.
void layTrail(int i, std::initializer_list<Corner> corners);

// Points in rider i's trail.
int trailLength(int i);

// The direction of a heading, as the game defines it.
extern const float expectedDirX[4];
extern const float expectedDirZ[4];
