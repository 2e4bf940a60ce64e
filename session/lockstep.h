// The shared match, step by step: every machine starts it the same way from a record's
// start, and runs each step's events and then the step itself, so the same log gives the
// same match, bit for bit, on every build.
#pragma once
#include <stdint.h>

#include "protocol/protocol.h"
#include "session/match_record.h"

// The match as the match file set it up, to start a shared match from.
void settingsFromMatch(MatchSettings* settings);

// Takes the settings, the steering and the seeds, and resets the match. The record itself
// is left as it is.
void startSharedMatch(const MatchRecord& start);

// One step: the bundle's events in order, then every rider moves. Returns true after
// every DIGEST_PERIOD-th step, with the digest taken then.
bool runStep(const Bundle& bundle, uint64_t* digest);

// A person took a rider over, or gave it back, in the last step run. -1: nobody.
struct SteeringChange {
  int rider;
  int client;  // EVENT_TOOK's client, or -1 for a freed rider
};
extern SteeringChange lastSteeringChanges[MAX_BUNDLE_EVENTS];
extern int lastSteeringChangeCount;
