// Keeps the display awake while a match or the attract mode runs in front, not at the title
// and not behind other windows: a windowed game left behind the player's other work must
// not keep the monitor on for hours. The platform cannot see whether the game is at its
// title or in play, but the game swaps every frame in play and only when the window is uncovered at the
// title: a swap in the last second and a half means play.
// The execution state keeps the system from turning the display off, but not the screen
// saver from starting, and a pad read through XInput is no activity to either: while the
// display is kept awake, the window refuses both the screen saver and the monitor's power
// saving when Windows asks it.
#pragma once

#include <stdint.h>

// At each pass of the main loop: the game's last buffer swap, whether its window is the
// foreground window, and the time now, in any millisecond clock.
void keepDisplayAwakeWhilePlaying(uint32_t lastSwapMs, bool swapped, bool inFront, uint32_t nowMs);

// Whether the last pass kept the display awake.
bool displayKeptAwake();
