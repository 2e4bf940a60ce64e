// Between the Win32 window and GL context layers: whether GL has drawn into a window yet.
// Once it has, the window layer no longer erases it with the class brush. The title is drawn
// once and never again, and an erase that comes late (Wine erases a window when the X
// server first exposes it, after the title is already on screen) would leave dark grey.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The GL context layer marks the window at each buffer swap.
inline void markWindowDrawn(HWND window) {
  if (window) SetPropA(window, "Vask GL picture", (HANDLE)1);
}

// The window layer asks before handing WM_ERASEBKGND on.
inline bool windowDrawn(HWND window) { return window && GetPropA(window, "Vask GL picture") != 0; }
