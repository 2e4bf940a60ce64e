// Borderless full screen: the window, without frame or caption, covers the monitor it is
// on. The display mode is never changed. Leaving it puts the window back where and as
// large as it was.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Switches the window between its framed placement and full screen (Alt+Enter).
void toggleFullscreen(HWND window);

// Whether the window is in full screen now.
bool isFullscreen(HWND window);

// Whether the program was started with --fullscreen.
bool fullscreenAsked();
