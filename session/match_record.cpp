#include "session/match_record.h"

#include <string.h>

MatchRecord matchRecord;

void beginRecord(uint32_t resetSeed, uint32_t runSeed, const MatchSettings& settings,
                 const uint8_t steering[PROTOCOL_RIDERS], uint8_t viewer) {
  matchRecord.resetSeed = resetSeed;
  matchRecord.runSeed = runSeed;
  matchRecord.settings = settings;
  memcpy(matchRecord.steering, steering, PROTOCOL_RIDERS);
  matchRecord.viewer = viewer;
  matchRecord.steps = 0;
  matchRecord.log.clear();
  matchRecord.digests.clear();
}

void recordBundle(const Bundle& bundle) {
  writeBundle(matchRecord.log, bundle);
  matchRecord.steps += 1;
}

void recordDigest(uint32_t step, uint64_t digest) {
  matchRecord.digests.push_back(DigestMark{step, digest});
}
