// Borderless full screen: the window, without frame or caption, covers the monitor it is
// on, and keeps covering it when the display changes (a new resolution or scale, a monitor
// plugged out, docking). The display mode is never changed. Leaving it puts the window
// back where and as large as it was.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Switches the window between its framed placement and full screen (Alt+Enter).
void toggleFullscreen(HWND window);

// Whether the window is in full screen now.
bool isFullscreen(HWND window);

// WM_WINDOWPOSCHANGING: a window in full screen that the system moves or sizes (onto
// another monitor, off one that went) covers the monitor nearest the place asked for.
void keepCoveringMonitor(HWND window, WINDOWPOS* pos);

// WM_DISPLAYCHANGE, WM_DPICHANGED: a window in full screen covers its monitor as it is now.
void coverMonitorAgain(HWND window);

// Whether the program was started with --fullscreen.
bool fullscreenAsked();
