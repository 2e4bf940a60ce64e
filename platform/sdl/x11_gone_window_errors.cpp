// Xlib is the one SDL uses on X: its error hook is looked up there, so the game links no X
// library of its own.
#include "platform/sdl/x11_gone_window_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <dlfcn.h>

namespace {

typedef XErrorHandler (*SetErrorHandler)(XErrorHandler);
XErrorHandler previousHandler = 0;

int handleError(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return previousHandler ? previousHandler(display, error) : 0;
}

}  // namespace

void ignoreEventsToGoneWindows() {
  static int installed = 0;
  if (installed) return;
  void* xlib = dlopen("libX11.so.6", RTLD_LAZY);
  SetErrorHandler setHandler = xlib ? (SetErrorHandler)dlsym(xlib, "XSetErrorHandler") : 0;
  if (!setHandler) return;
  previousHandler = setHandler(handleError);
  installed = 1;
}
