// Test double of the frame clock (see manual_frame_clock.h).
#include "tests/doubles/manual_frame_clock.h"

#include "platform/shared/frame_clock.h"

namespace {
int64_t now = 0;
int waits = 0;
}  // namespace

int64_t manualClockNow() { return now; }

void setManualClock(int64_t microseconds) {
  now = microseconds;
  waits = 0;
}

int manualClockWaits() { return waits; }

int64_t frameClockMicroseconds() { return now; }

void frameClockWaitForInput(int64_t microseconds) {
  waits++;
  if (microseconds > 0) now += microseconds;
}
