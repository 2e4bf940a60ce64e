// Which key messages reach the game's procedure, and the keys it holds down. Keys that
// belong to the system (the Windows and Menu keys, volume and media keys, the browser and
// launch keys, F13 to F24, the input-method keys), every key pressed while a Windows key
// is held, and Alt+Enter go to Windows' default procedure instead, so the system still
// does what it does with them and the game, which ends at any key it has no command for,
// never sees them. A window that loses focus lets go of every
// key the game still holds: the release would otherwise go to another window.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// A key message the game never gets (key down or up, system or not).
bool keyBelongsToSystem(UINT message, WPARAM key, LPARAM lParam);

// Alt+Enter pressed (not a repeat): switches between the window and full screen.
bool isAltEnterPress(UINT message, WPARAM key, LPARAM lParam);

// Notes a key message handed to the game's procedure: a key down is held until its key up.
void noteGameKey(UINT message, WPARAM key);

// Sends the game's window a WM_KEYUP for every key it holds, and forgets them.
void releaseGameKeys(HWND window);
