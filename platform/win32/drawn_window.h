// Between the Win32 window and GL context layers: whether GL has drawn into a window yet,
// when it last did, and how the last picture is shown again.
// Once it has, the window layer no longer erases it with the class brush, and takes an
// erase the system asks for as the window being exposed: the title is drawn once, and an
// erase that comes late (Wine erases a window when the X server first exposes it, after
// the title is already on screen) would leave dark grey. The window layer keeps this state
// for each window it made, and forgets it when the window goes.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The GL context layer marks the window at each buffer swap of the game's.
void markWindowDrawn(HWND window);

// Shows the window's last picture again, at its size now, and swaps: the GL context layer
// hands one over once the game's context is current, and the window layer calls it when the
// system resizes, exposes or repaints the window, so the picture follows at once with no
// work from the game. It returns false when it keeps no picture (the game draws straight
// into a window of its frame's size): the window is then taken as exposed, and the game
// draws it again. `fixedSize`: the picture cannot be scaled (the driver cannot render
// off-screen), so the client area stays at least the game's 640 by 480.
typedef bool (*WindowPresenter)(HWND window);
void setWindowPresenter(HWND window, WindowPresenter presenter, bool fixedSize);

// The window layer asks before handing WM_ERASEBKGND on.
bool windowDrawn(HWND window);
