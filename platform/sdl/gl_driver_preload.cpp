// The driver is loaded under the name of Mesa's software driver: Mesa builds all its DRI
// drivers into one file under many names, and the loader knows a file it already holds by
// its inode, so the driver the display picks later is the one loaded here. The loader runs
// one load at a time, so this must not start before SDL has loaded what it needs itself.
#include "platform/sdl/gl_driver_preload.h"

#include <dlfcn.h>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

pthread_t loader;
int loaderStarted = 0;
int loaderRunning = 0;

// Where Mesa's GLX would look for its driver, or 0 when the display's GL is not Mesa's.
int driverPath(char* path, size_t size) {
  const char* vendor = getenv("__GLX_VENDOR_LIBRARY_NAME");
  if (vendor && *vendor && strcmp(vendor, "mesa") != 0) return 0;
  if (getenv("LIBGL_ALWAYS_INDIRECT")) return 0;  // drawn by the X server: no driver here
  // Held for the whole run, as GL will hold it once the window exists.
  void* glx = dlopen("libGLX_mesa.so.0", RTLD_LAZY | RTLD_LOCAL);
  if (!glx) return 0;
  char origin[PATH_MAX] = "";
  if (dlinfo(glx, RTLD_DI_ORIGIN, origin) != 0 || !origin[0]) return 0;
  // With NVIDIA's own driver installed, its GLX most likely serves the display.
  char other[PATH_MAX + 32];
  snprintf(other, sizeof other, "%s/libGLX_nvidia.so.0", origin);
  if (access(other, F_OK) == 0) return 0;
  const char* drivers = getenv("LIBGL_DRIVERS_PATH");
  int written;
  if (drivers && *drivers) {
    size_t first = strcspn(drivers, ":");
    written = snprintf(path, size, "%.*s/swrast_dri.so", (int)first, drivers);
  } else {
    written = snprintf(path, size, "%s/dri/swrast_dri.so", origin);
  }
  return written > 0 && (size_t)written < size && access(path, R_OK) == 0;
}

void* loadDriver(void*) {
  char path[PATH_MAX + 32];
  // The flags Mesa's own loading uses; the handle is kept, as Mesa keeps its own.
  if (driverPath(path, sizeof path)) dlopen(path, RTLD_NOW | RTLD_GLOBAL);
  return 0;
}

}  // namespace

void startGlDriverPreload() {
  if (loaderStarted) return;
  loaderStarted = 1;
  loaderRunning = pthread_create(&loader, 0, loadDriver, 0) == 0;
}

void finishGlDriverPreload() {
  if (!loaderRunning) return;
  pthread_join(loader, 0);
  loaderRunning = 0;
}
