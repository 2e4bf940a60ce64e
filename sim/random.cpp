// The game's one random generator: a linear congruential generator whose upper bits give
// whole numbers 0..32767. Small, fast and the same on every platform, so a seeded test
// match always plays out the same way.
#include "sim/random.h"

static uint32_t randomState = 1;

void seedRandom(uint32_t seed) {
  randomState = seed;
}

int32_t drawRandom() {
  // Unsigned arithmetic wraps modulo 2^32 by definition.
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int32_t>((randomState >> 16) & 0x7fffu);
}
