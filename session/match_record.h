// A shared match as a record: how it started and every step's events since, with the
// digests taken along the way. A room's client, a recording and a replay all keep one.
#pragma once
#include <stdint.h>

#include <vector>

#include "protocol/protocol.h"

struct DigestMark {
  uint32_t step;    // the digest after this many steps
  uint64_t digest;
};

struct MatchRecord {
  uint32_t resetSeed;  // the generator's seed for the match reset ...
  uint32_t runSeed;    // ... and for the match after it
  MatchSettings settings;
  uint8_t steering[PROTOCOL_RIDERS];  // who steered each rider at the start
  uint8_t viewer;                     // the rider the recording machine followed
  uint32_t steps;                     // bundles in the log
  Bytes log;                          // the bundles, one per step, as the relay sends them
  std::vector<DigestMark> digests;
};

// The match this machine is playing or showing.
extern MatchRecord matchRecord;

// Starts a record of a new match.
void beginRecord(uint32_t resetSeed, uint32_t runSeed, const MatchSettings& settings,
                 const uint8_t steering[PROTOCOL_RIDERS], uint8_t viewer);

void recordBundle(const Bundle& bundle);
void recordDigest(uint32_t step, uint64_t digest);
