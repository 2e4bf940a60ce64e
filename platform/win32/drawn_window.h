// Between the Win32 window and GL context layers: whether GL has drawn into a window yet.
// Once it has, the window layer no longer erases it with the class brush, and takes an
// erase the system asks for as the window being exposed: the title is drawn once, and an
// erase that comes late (Wine erases a window when the X server first exposes it, after
// the title is already on screen) would leave dark grey. The window layer keeps this state
// for each window it made, and forgets it when the window goes.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The GL context layer marks the window at each buffer swap.
void markWindowDrawn(HWND window);

// The window layer asks before handing WM_ERASEBKGND on.
bool windowDrawn(HWND window);
