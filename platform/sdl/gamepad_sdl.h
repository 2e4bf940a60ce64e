// Gamepads through SDL's game controller interface and its mapping database (plus the
// file SDL_GAMECONTROLLERCONFIG_FILE names, which SDL reads itself), turned into the
// game's keys by the shared mapping in platform/shared/gamepad_keys.h.
#pragma once
#include <SDL.h>
#include "platform/window.h"

// Brings up SDL's game controllers once the title is up. Without them the game plays
// on from the keyboard.
void openGamepads();
void closeGamepads();

// A pad plugged in is taken; one pulled out lets go of the keys it held. Returns 1 when
// the event was about a pad.
int takeGamepadEvent(const SDL_Event& event, WindowHandle window);

// Each pass of the message loop: the pads' keys, posted to the window, while it has focus.
void pollGamepads(WindowHandle window);

// Losing focus lets go of every key the pads hold, as the keyboard's are let go.
void gamepadsFocusChanged(WindowHandle window, int focused);
