// Match records: whatever a file holds, reading it never goes past its end, a record that
// is read writes back to the same bytes, and its match plays out (a few thousand steps of
// it) without touching memory it does not own, whatever riders its events name.
#include <string.h>

#include "fuzz/fuzz_support.h"
#include "session/lockstep.h"
#include "session/replay_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MatchRecord record;
  char why[200];
  if (!readReplay(data, size, &record, why, sizeof why)) {
    if (!why[0]) fuzzFail("a refused record says nothing");
    return 0;
  }
  Bytes again;
  writeReplay(again, record);
  if (again.size() != size || memcmp(again.data(), data, size) != 0)
    fuzzFail("a record read does not write back to its own bytes");

  startSharedMatch(record);
  size_t at = 0;
  Bundle bundle;
  for (uint32_t step = 0; step < record.steps && step < 3000; ++step) {
    if (!readLogBundle(record.log.data(), record.log.size(), &at, &bundle))
      fuzzFail("a log that was read whole cannot be stepped through");
    runStep(bundle, 0);
  }
  return 0;
}
