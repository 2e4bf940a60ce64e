// The window's scale on a high-DPI display. The program declares itself per-monitor DPI
// aware (vask.exe.manifest), so Windows no longer scales its window as a bitmap: the window
// asks for its size in the pixels of the monitor it is on. The functions for that came with
// Windows 8.1 and 10 and are looked up at run time; older systems get the system's scale.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Dots per inch of the monitor the window is on (96 is 100 %).
UINT windowDpi(HWND window);

// The outer size of a window of the given styles whose client area is width by height
// pixels, with the frame and caption drawn at the given DPI.
SIZE outerSizeForClient(DWORD style, DWORD exStyle, int width, int height, UINT dpi);

// The first placement of a window whose client area is to be `picture` times the scale
// (dpi) and whose frame and caption add `frame`: the client area no larger than leaves the
// window inside the monitor's work area (the taskbar kept clear), keeping its shape, but
// never smaller than the picture itself; the window moved from `proposed` (where Windows
// would put it) only as far as it takes to lie inside the work area.
RECT firstWindowRect(POINT proposed, SIZE picture, SIZE frame, UINT dpi, RECT work);
