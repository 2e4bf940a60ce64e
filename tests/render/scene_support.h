// Scene tests: a hidden window with a current GL context, a model file in a scratch
// working directory, riders set up by hand, and where a world point lands on screen.
#pragma once
#include <stdint.h>
#include <ostream>

#include "sim/riders.h"

// A level plate from the model's origin 1 unit forward along +x and 0.125 either side,
// in white; sized by the arena set-up to 80 long and 20 wide.
extern const char* const PLATE_MODEL;

// Opens the test window (fails the test if it cannot) and sets a 640 by 480 viewport.
void openSceneWindow();

// Moves into a fresh scratch directory holding `modelText` as "vask3.wrl".
void enterDirectoryWithModel(const char* modelText);

// Zeroes every rider, then sets `count` riders riding at y 12 with speed 10.
void resetRiders(int count);
void setRiderColor(int rider, float red, float green, float blue);
void placeRider(int rider, float x, float z, int heading);

// Replaces the rider's trail with points at the given (x, z) pairs, in the colour given
// (0..255) and alpha 255; the rider is left at the last point.
void setTrail(int rider, int count, const float* xz, float red, float green, float blue);

// The frame start, then a camera at world `eye` looking at world `target` (x negated on
// the way to GL, like every world position), with `up` as given.
void lookFromTo(float ex, float ey, float ez, float tx, float ty, float tz, float upX = 0,
                float upY = 1, float upZ = 0);

// Where the world point lands in window pixels under the current matrices.
void projectWorld(float x, float y, float z, int* px, int* py);

// The pixel colour at the world point's place on screen.
struct Rgb {
  int r, g, b;
};
Rgb pixelAtWorld(float x, float y, float z);
Rgb pixelAt(int px, int py);

void PrintTo(const Rgb& c, std::ostream* os);

// Whether two colours agree within `tolerance` per channel.
bool near(Rgb a, Rgb b, int tolerance = 3);

// One polygon caught in feedback mode: its vertices in GL coordinates (x as sent, so a
// world x comes back negated) and the colour of its first vertex, 0..255.
struct CaughtPolygon {
  int count;
  float x[64], y[64], z[64];
  Rgb color;
};

// Runs `draw` in feedback mode under a projection that maps GL coordinates -100..100
// one to one, and returns the number of polygons caught (at most `max` are kept).
int catchPolygons(void (*draw)(), CaughtPolygon* out, int max);
