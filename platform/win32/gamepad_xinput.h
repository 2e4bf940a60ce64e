// Gamepads through XInput, loaded at run time (the newest version the system has): each
// connected pad, up to four, is read into the shared mapping (platform/shared/gamepad_keys.h),
// whose key messages are posted to the game's window. A system without XInput has no
// gamepad, and says nothing about it.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Reads every connected pad once, and at most one empty slot (to find a pad plugged in),
// and posts the keys that changed to the window. Called at each pass of the main loop while
// the window is the active one.
void pollGamepads(HWND window);

// The window lost focus: the pads let go of what they hold without sending anything (the
// window layer releases every key the game holds), and a button still held when focus
// comes back is a new press.
void forgetGamepadKeys();
