// Asks the X server through the Xlib SDL itself uses, so the game links no X library.
#include "platform/sdl/keyboard_repeat_sdl.h"

#include <SDL_syswm.h>
#include <dlfcn.h>

namespace {

const KeyRepeat USUAL_REPEAT = {500, 33};

#if defined(SDL_VIDEO_DRIVER_X11)
typedef int (*GetAutoRepeatRate)(Display*, unsigned int, unsigned int*, unsigned int*);
const unsigned int XKB_USE_CORE_KEYBOARD = 0x0100;
#endif

}  // namespace

KeyRepeat desktopKeyRepeat(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
    return USUAL_REPEAT;
  void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  GetAutoRepeatRate getRate =
      xlib ? (GetAutoRepeatRate)dlsym(xlib, "XkbGetAutoRepeatRate") : 0;
  unsigned int delay = 0, interval = 0;
  int known = getRate && getRate(info.info.x11.display, XKB_USE_CORE_KEYBOARD, &delay, &interval);
  if (xlib) dlclose(xlib);
  // A server that answers nonsense (no delay, or a repeat slower than a second) is ignored.
  if (!known || delay == 0 || delay > 5000 || interval == 0 || interval > 1000)
    return USUAL_REPEAT;
  return KeyRepeat{delay, interval};
#else
  (void)window;
  return USUAL_REPEAT;
#endif
}
