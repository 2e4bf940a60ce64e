#include "platform/sdl/window_icon_sdl.h"

// Drawn by tools/make_icon.py at build time, and built into the program rather than read
// from the data folder: SDL reads no PNG of its own, and an icon in the program can be
// neither missing nor damaged when the window opens.
#include "vask_window_icon.h"

void setGameWindowIcon(SDL_Window* window) {
  if (!window) return;
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<unsigned char*>(vaskIconRgba), VASK_ICON_SIZE, VASK_ICON_SIZE, 32, VASK_ICON_SIZE * 4,
      SDL_PIXELFORMAT_RGBA32);
  if (!icon) return;
  SDL_SetWindowIcon(window, icon);  // SDL keeps a copy
  SDL_FreeSurface(icon);
}
