#pragma once
#include <SDL.h>

// Gives the window the game's icon for its title bar and the desktop's task list. Nothing
// comes of a refusal: the window keeps whatever icon the desktop gives it.
void setGameWindowIcon(SDL_Window* window);
