// The match file: whatever "setup.txt" holds, the match that comes out of readMatchFile has
// 2 to 5 riders, every computer rider chases a rider that takes part, and each packed
// colour is made from its float channels.
#include <math.h>
#include <string.h>

#include "app/match_file.h"
#include "fuzz/fuzz_support.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

// The rider records the match file fills; nothing else of the simulation is linked.
Rider riders[MAX_RIDERS];
int32_t riderCount = 4;
int32_t localRider = 0;

namespace {

uint32_t expectedChannel(float channel) {
  float scaled = channel * 255.0f;
  if (!isfinite(scaled)) return 0;
  double wrapped = fmod(trunc((double)scaled), 256.0);
  if (wrapped < 0.0) wrapped += 256.0;
  return (uint32_t)wrapped;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInputFile("setup.txt", data, size);
  memset(riders, 0, sizeof riders);
  riderCount = 4;
  scoresVisible = 1;
  readMatchFile();

  if (riderCount < 2 || riderCount > MAX_RIDERS) fuzzFail("rider count outside 2..5");
  for (int i = 1; i < riderCount; i++)
    if (riders[i].target >= riderCount) fuzzFail("a rider chases a rider that does not take part");
  for (int i = 0; i < riderCount; i++) {
    const Rider& r = riders[i];
    uint32_t packed = expectedChannel(r.colorRed) | expectedChannel(r.colorGreen) << 8 |
                      expectedChannel(r.colorBlue) << 16;
    if (r.color != packed) fuzzFail("a packed colour does not match its channels");
    if (!isfinite(r.colorRed) || !isfinite(r.colorGreen) || !isfinite(r.colorBlue))
      fuzzFail("a colour channel is not a finite number");
  }
  return 0;
}
