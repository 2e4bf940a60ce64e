// Keyboard keys the game holds down. When the window loses focus, their releases go to
// whichever window has it then; the game is sent them itself, or a rider would keep
// accelerating, or the help stay up, until the key was pressed again.
#pragma once
#include <stdint.h>
#include "platform/window.h"

// Follows each key message handed to the game.
void noteKeyMessage(uint32_t message, uintptr_t virtualKey);

// Posts a WM_KEYUP for every key held, and forgets them.
void releaseHeldKeys(WindowHandle window);
