// The held-key repeat of the desktop's keyboard, which the gamepad's turns follow.
#pragma once
#include <SDL.h>
#include "platform/shared/gamepad_keys.h"

// The X server's auto-repeat delay and rate on X11; elsewhere, or when the server does not
// say, the usual 500 ms then 33 ms (30 a second).
KeyRepeat desktopKeyRepeat(SDL_Window* window);
