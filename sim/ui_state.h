// The player-interface flags: set by the keyboard handling, read by the simulation,
// the cameras and the HUD. They live at the bottom of the game's layers so that every
// layer that reads them can include this.
#pragma once
#include <stdint.h>

extern int32_t titleActive;    // 1 from process start until the first key
extern int32_t demoActive;     // 1 once D started attract mode; never cleared
extern int32_t helpVisible;    // F1 held
extern int32_t lookDirection;  // 0 left, 1 right, 2 back, 3 ahead
extern int32_t viewMode;       // camera 0..3
extern int32_t scoresVisible;  // from the match file: non-zero shows every rider's score
