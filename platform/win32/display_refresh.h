// The refresh rate of the mode a monitor runs in, for the GL context layer's choice of
// waiting for it in full screen.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Refreshes a second of the monitor's current mode; 0 when unknown (Windows' 0 and 1 stand
// for the hardware's default, and Wine on a virtual X server reports 0).
int monitorRefreshHz(HMONITOR monitor);
