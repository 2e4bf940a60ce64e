// Settings of the window layer doubles of this area.
#pragma once
#include "platform/window.h"

extern WindowRect fakeWindowRect;   // what getWindowRect hands out
extern int fakeWindowRectResult;    // what getWindowRect returns (0: failure, rect untouched)
extern const intptr_t DEFAULT_PROC_RESULT;  // what defaultWindowProc returns
extern int fakeExposures;           // how many exposures windowExposed still reports
