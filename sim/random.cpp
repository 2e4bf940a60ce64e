// The game's one random generator: a linear congruential generator whose upper bits give
// whole numbers 0..32767. Small, fast and the same on every platform, so a seeded test
// match always plays out the same way.
#include "sim/random.h"

static uint32_t matchState = 1;
static uint32_t viewerState = 1;

static int32_t nextDraw(uint32_t& state) {
  // Unsigned arithmetic wraps modulo 2^32 by definition.
  state = state * 214013u + 2531011u;
  return static_cast<int32_t>((state >> 16) & 0x7fffu);
}

void seedRandom(uint32_t seed) {
  matchState = seed;
  viewerState = seed;
}

int32_t drawRandom() { return nextDraw(matchState); }

uint32_t randomState() { return matchState; }

int32_t drawViewerRandom() { return nextDraw(viewerState); }
