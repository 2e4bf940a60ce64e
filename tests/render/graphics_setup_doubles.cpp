#include "graphics_setup_doubles.h"

#include <string.h>

#include "platform/window.h"
#include "render/arena.h"
#include "render/font.h"

namespace {
char logText[2048];
int fakeDc, fakeRc;

void logCall(const char* name) {
  size_t used = strlen(logText);
  if (used + strlen(name) + 2 >= sizeof logText) return;
  if (used) strcat(logText, " ");
  strcat(logText, name);
}
}  // namespace

int choosePixelFormatResult = 1;
int setPixelFormatResult = 1;
PixelFormatRequest lastChooseRequest;
PixelFormatRequest lastSetRequest;
int lastSetFormat;
WindowHandle releasedWindow;
DeviceContext releasedContext;
RenderContext deletedContext;
DeviceContext madeCurrentDc;
RenderContext madeCurrentRc;

const char* setupLog() { return logText; }
void resetSetupLog() { logText[0] = '\0'; }
DeviceContext fakeDeviceContext() { return (DeviceContext)&fakeDc; }
RenderContext fakeRenderContext() { return (RenderContext)&fakeRc; }

DeviceContext getDeviceContext(WindowHandle) {
  logCall("getDeviceContext");
  return fakeDeviceContext();
}

int choosePixelFormat(DeviceContext dc, const PixelFormatRequest* request) {
  logCall(dc == fakeDeviceContext() ? "choosePixelFormat" : "choosePixelFormat(otherDc)");
  lastChooseRequest = *request;
  return choosePixelFormatResult;
}

int setPixelFormat(DeviceContext dc, int format, const PixelFormatRequest* request) {
  logCall(dc == fakeDeviceContext() ? "setPixelFormat" : "setPixelFormat(otherDc)");
  lastSetFormat = format;
  lastSetRequest = *request;
  return setPixelFormatResult;
}

RenderContext createRenderContext(DeviceContext) {
  logCall("createRenderContext");
  return fakeRenderContext();
}

int makeCurrent(DeviceContext dc, RenderContext rc) {
  logCall(dc || rc ? "makeCurrent" : "makeCurrent(none)");
  madeCurrentDc = dc;
  madeCurrentRc = rc;
  return 1;
}

void swapBuffers(DeviceContext) { logCall("swapBuffers"); }

void releaseDeviceContext(WindowHandle window, DeviceContext dc) {
  logCall("releaseDeviceContext");
  releasedWindow = window;
  releasedContext = dc;
}

void deleteRenderContext(RenderContext rc) {
  logCall("deleteRenderContext");
  deletedContext = rc;
}

void restoreDisplaySettings() { logCall("restoreDisplaySettings"); }

void showWindow(WindowHandle) { logCall("showWindow"); }
void updateWindow(WindowHandle) { logCall("updateWindow"); }

void buildDisplayLists() { logCall("buildDisplayLists"); }
void loadFont() { logCall("loadFont"); }
