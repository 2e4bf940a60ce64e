// The thread's execution state follows play (see display_awake.h).
#include "platform/win32/display_awake.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {
const uint32_t PLAY_SWAPS_WITHIN_MS = 1500;
int awake = -1;  // what the thread asked for last: unknown at first
}  // namespace

void keepDisplayAwakeWhilePlaying(uint32_t lastSwapMs, bool swapped, bool inFront, uint32_t nowMs) {
  const int playing = inFront && swapped && nowMs - lastSwapMs < PLAY_SWAPS_WITHIN_MS;
  if (playing == awake) return;
  awake = playing;
  SetThreadExecutionState(playing ? ES_CONTINUOUS | ES_DISPLAY_REQUIRED : ES_CONTINUOUS);
}

bool displayKeptAwake() { return awake == 1; }
