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
};

SDL_Window* sdlWindowOf(WindowHandle window);
int windowIsGlCapable(WindowHandle window);
