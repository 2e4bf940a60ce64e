// What the browser's window layer needs of its frame clock beyond the shared one. Internal
// to this backend.
#pragma once
#include <stdint.h>

// The time of the animation frame the last wait ended in (the browser's time stamp for it,
// on the frame clock's scale), or -1 before the first wait.
int64_t frameClockLastFrameMicroseconds();
