// One step of the whole match, its inputs, and its digest.
#include "sim/match_step.h"

#include <string.h>

#include "sim/movement.h"
#include "sim/random.h"
#include "sim/riders.h"

uint32_t matchStep = 0;

void stepMatch() {
  for (int i = 0; i < riderCount && i < MAX_RIDERS; i++) moveRider(i);
  matchStep += 1;
}

namespace {

const uint64_t FNV_OFFSET = 1469598103934665603ull;
const uint64_t FNV_PRIME = 1099511628211ull;

void mix(uint64_t& h, uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    h ^= (v >> (8 * i)) & 0xffu;
    h *= FNV_PRIME;
  }
}

void mixFloat(uint64_t& h, float f) {
  uint32_t bits;
  memcpy(&bits, &f, sizeof bits);
  mix(h, bits);
}

}  // namespace

uint64_t matchDigest() {
  uint64_t h = FNV_OFFSET;
  mix(h, matchStep);
  mix(h, static_cast<uint32_t>(riderCount));
  mix(h, randomState());
  for (int i = 0; i < riderCount && i < MAX_RIDERS; ++i) {
    const Rider& r = riders[i];
    mix(h, static_cast<uint32_t>(r.heading));
    mixFloat(h, r.x);
    mixFloat(h, r.y);
    mixFloat(h, r.z);
    mixFloat(h, r.dirX);
    mixFloat(h, r.dirZ);
    mixFloat(h, r.speed);
    mixFloat(h, r.accel);
    mix(h, static_cast<uint32_t>(r.chaseTimer));
    mix(h, static_cast<uint32_t>(r.crashTimer));
    mix(h, static_cast<uint32_t>(r.score));
    mix(h, r.target);
    mix(h, static_cast<uint32_t>(riderSteering[i]));
    // The walls by their corners; their colours are each viewer's own.
    uint32_t corners = 0;
    for (const TrailPoint* p = r.trailHead; p; p = p->next) {
      mixFloat(h, p->x);
      mixFloat(h, p->z);
      corners += 1;
    }
    mix(h, corners);
  }
  return h;
}
