// Keys that belong to the desktop rather than to the game.
#pragma once
#include <SDL.h>

// The Super (Windows) and Menu keys, the volume, mute, media, brightness and power keys,
// the browser and launcher keys and the input-method toggles: the desktop acts on them, so
// they never reach the game, where any unassigned key ends play.
int isDesktopsOwnKey(const SDL_Keysym& key);
