// Frame clock: the monotonic time and the bounded wait for input that pace the repaints.
// Each backend implements it beside its window layer; tests link a clock of their own.
#pragma once
#include <stdint.h>

// The message pump reads the time in microseconds of a monotonic clock before handing
// out a repaint.
int64_t frameClockMicroseconds();

// The message pump waits here when nothing but an early repaint is pending: returns when
// input arrives for the window or after `microseconds` (rounded up to the clock's
// resolution), whichever comes first.
void frameClockWaitForInput(int64_t microseconds);
