// Keeps the display awake while a match or the attract mode runs, not at the title. The
// platform cannot see which it is, but the game swaps every frame in play and only when
// the window is uncovered at the title: a swap in the last second and a half means play.
#pragma once

#include <stdint.h>

// At each pass of the main loop: the game's last buffer swap and the time now, in any
// millisecond clock.
void keepDisplayAwakeWhilePlaying(uint32_t lastSwapMs, bool swapped, uint32_t nowMs);
