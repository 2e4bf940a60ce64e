// The program entry of this backend: connects to the desktop, then runs the game.
#include <stdio.h>
#include <SDL.h>
#include "platform/window.h"

int main(int, char**) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    fprintf(stderr, "Vask Light Cycles: cannot open a display: %s\n", SDL_GetError());
    return 1;
  }
  int exitCode = gameMain(0);
  SDL_Quit();
  return exitCode;
}
