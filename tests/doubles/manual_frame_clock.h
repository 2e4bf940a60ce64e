// Test double of the frame clock: time moves only when a test moves it, and a wait for
// input moves it straight to the end of the wait (no input ever arrives early).
#pragma once
#include <stdint.h>

// The clock's time in microseconds.
const int64_t CLOCK_SECOND = 1000000;
int64_t manualClockNow();
void setManualClock(int64_t microseconds);

// Number of waits for input since the last setManualClock.
int manualClockWaits();
