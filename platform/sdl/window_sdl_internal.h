// Shared between the SDL window and GL context code of this backend only.
#pragma once
#include <SDL.h>
#include "platform/window.h"

struct PlatformWindow {
  SDL_Window* sdl;
  WindowProcedure windowProc;
  int glCapable;     // created with a GL visual
  int invalid;       // a repaint is pending
  int exposed;       // the desktop has uncovered part of it since windowExposed last asked
  int destroyed;
  int pictureWidth, pictureHeight;  // the size the game asked for, and always sees
  // Set by the GL layer while its context is current and keeps the last picture: shows
  // that picture again at the window's present size. Returns 0 when it cannot.
  int (*showLastPicture)(WindowHandle window);
};

SDL_Window* sdlWindowOf(WindowHandle window);
int windowIsGlCapable(WindowHandle window);
