// How the SDL window is shown: its size on a scaled desktop, the borderless full screen
// and the last picture shown again without the game.
#include "platform/sdl/window_presentation_sdl.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <SDL_syswm.h>

namespace {

int fullScreenAtStart = 0;
int inFullScreen = 0;
SDL_Rect windowedPlace;         // where the window was before it went full screen
SDL_Scancode toggleKeyHeld = SDL_SCANCODE_UNKNOWN;  // its release is ours too

// GDK_SCALE is a whole number; anything else in it is ignored.
double gdkScale() {
  const char* text = SDL_getenv("GDK_SCALE");
  if (!text || !*text) return 0.0;
  char* end = 0;
  long scale = strtol(text, &end, 10);
  if (*end != '\0' || scale < 1 || scale > 8) return 0.0;
  return (double)scale;
}

// Xft.dpi from the X resource database the desktop keeps on the root window, read from
// SDL's own connection (Xlib is loaded by SDL already, so the game links none of its own).
double xftScale(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0.0;
  typedef char* (*ResourceString)(Display*);
  void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  ResourceString resources = xlib ? (ResourceString)dlsym(xlib, "XResourceManagerString") : 0;
  const char* text = resources ? resources(info.info.x11.display) : 0;
  if (xlib) dlclose(xlib);
  for (const char* line = text; line && *line;) {
    if (strncmp(line, "Xft.dpi:", 8) == 0) {
      char* end = 0;
      double dpi = strtod(line + 8, &end);
      if (end != line + 8 && dpi >= 24.0 && dpi <= 960.0) return dpi / 96.0;
      return 0.0;
    }
    line = strchr(line, '\n');
    if (line) line++;
  }
#else
  (void)window;
#endif
  return 0.0;
}

}  // namespace

void startInFullScreen() { fullScreenAtStart = 1; }

// At most as large as the desktop's usable area, never smaller than the game's size.
void applyDesktopScale(WindowHandle window) {
  double scale = gdkScale();
  if (scale == 0.0) scale = xftScale(window->sdl);
  if (scale <= 1.0) return;
  int w = window->pictureWidth, h = window->pictureHeight;
  SDL_Rect usable;
  int display = SDL_GetWindowDisplayIndex(window->sdl);
  if (display >= 0 && SDL_GetDisplayUsableBounds(display, &usable) == 0 && w > 0 && h > 0) {
    double fits = SDL_min((double)usable.w / w, (double)usable.h / h);
    if (scale > fits) scale = SDL_max(1.0, fits);
  }
  SDL_SetWindowSize(window->sdl, (int)(w * scale + 0.5), (int)(h * scale + 0.5));
}

namespace {

void setFullScreen(WindowHandle window, int on) {
  if (on == inFullScreen) return;
  if (on) {
    SDL_GetWindowPosition(window->sdl, &windowedPlace.x, &windowedPlace.y);
    SDL_GetWindowSize(window->sdl, &windowedPlace.w, &windowedPlace.h);
    // On the monitor the window is on, at the desktop's own mode.
    if (SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return;
    SDL_ShowCursor(SDL_DISABLE);
  } else {
    if (SDL_SetWindowFullscreen(window->sdl, 0) != 0) return;
    SDL_SetWindowSize(window->sdl, windowedPlace.w, windowedPlace.h);
    SDL_SetWindowPosition(window->sdl, windowedPlace.x, windowedPlace.y);
    SDL_ShowCursor(SDL_ENABLE);
  }
  inFullScreen = on;
}

}  // namespace

void enterFullScreenAtStart(WindowHandle window) {
  if (fullScreenAtStart) setFullScreen(window, 1);
  fullScreenAtStart = 0;
}

int takeFullScreenKey(WindowHandle window, const SDL_KeyboardEvent& key) {
  SDL_Scancode sc = key.keysym.scancode;
  if (key.type == SDL_KEYUP) {
    if (sc != toggleKeyHeld || sc == SDL_SCANCODE_UNKNOWN) return 0;
    toggleKeyHeld = SDL_SCANCODE_UNKNOWN;
    return 1;
  }
  SDL_Keycode sym = key.keysym.sym;
  if ((sym != SDLK_RETURN && sym != SDLK_KP_ENTER) || (key.keysym.mod & KMOD_ALT) == 0) return 0;
  if (!key.repeat) setFullScreen(window, !inFullScreen);
  toggleKeyHeld = sc;
  return 1;
}

int showLastPictureAgain(WindowHandle window) {
  return window && window->showLastPicture && window->showLastPicture(window);
}
