#include "session/lockstep.h"

#include <string.h>

#include "sim/match_step.h"
#include "sim/rider_input.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

SteeringChange lastSteeringChanges[MAX_BUNDLE_EVENTS];
int lastSteeringChangeCount = 0;

namespace {

uint32_t floatBits(float f) {
  uint32_t bits;
  memcpy(&bits, &f, sizeof bits);
  return bits;
}

float bitsFloat(uint32_t bits) {
  float f;
  memcpy(&f, &bits, sizeof f);
  return f;
}

}  // namespace

void settingsFromMatch(MatchSettings* s) {
  memset(s, 0, sizeof *s);
  s->riderCount = static_cast<uint8_t>(riderCount);
  s->scoresVisible = scoresVisible != 0;
  for (int i = 0; i < PROTOCOL_RIDERS; ++i) {
    const Rider& r = riders[i];
    s->riders[i].redBits = floatBits(r.colorRed);
    s->riders[i].greenBits = floatBits(r.colorGreen);
    s->riders[i].blueBits = floatBits(r.colorBlue);
    s->riders[i].color = r.color & 0xffffffu;
    s->riders[i].target = r.target < PROTOCOL_RIDERS ? r.target : 0;
  }
}

void startSharedMatch(const MatchRecord& start) {
  matchShared = 1;
  riderCount = start.settings.riderCount;
  scoresVisible = start.settings.scoresVisible;
  for (int i = 0; i < PROTOCOL_RIDERS; ++i) {
    Rider& r = riders[i];
    const RiderSettings& s = start.settings.riders[i];
    r.colorRed = bitsFloat(s.redBits);
    r.colorGreen = bitsFloat(s.greenBits);
    r.colorBlue = bitsFloat(s.blueBits);
    r.color = s.color;
    r.target = s.target;
    r.accel = 0.0f;
    riderSteering[i] = start.steering[i] ? STEER_PERSON : STEER_COMPUTER;
  }
  matchStep = 0;
  seedRandom(start.resetSeed);
  resetMatch();
  seedRandom(start.runSeed);
}

bool runStep(const Bundle& bundle, uint64_t* digest) {
  lastSteeringChangeCount = 0;
  for (int i = 0; i < bundle.count; ++i) {
    const BundleEvent& e = bundle.events[i];
    // A rider the settings do not have is nobody's: the event does nothing anywhere.
    if (e.rider >= riderCount && e.kind != EVENT_CAME && e.kind != EVENT_WENT) continue;
    switch (e.kind) {
      case EVENT_INPUT:
        applyRiderInput(e.rider, e.value);
        break;
      case EVENT_TOOK:
        riderSteering[e.rider] = STEER_PERSON;
        lastSteeringChanges[lastSteeringChangeCount++] = SteeringChange{e.rider, e.value};
        break;
      case EVENT_FREED:
        riderSteering[e.rider] = STEER_COMPUTER;
        riders[e.rider].accel = 0.0f;  // nobody holds its key any more
        lastSteeringChanges[lastSteeringChangeCount++] = SteeringChange{e.rider, -1};
        break;
      default:
        break;
    }
  }
  stepMatch();
  if (matchStep % DIGEST_PERIOD != 0) return false;
  if (digest) *digest = matchDigest();
  return true;
}
