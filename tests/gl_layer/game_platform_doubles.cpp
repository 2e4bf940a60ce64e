// The window and context calls the game's render code makes, for a context the picture
// runner has already made current: nothing to create, show or swap.
#include <stdio.h>
#include "platform/gl_context.h"
#include "platform/window.h"

DeviceContext getDeviceContext(WindowHandle) { return (DeviceContext)1; }
int choosePixelFormat(DeviceContext, const PixelFormatRequest*) { return 1; }
int setPixelFormat(DeviceContext, int, const PixelFormatRequest*) { return 1; }
RenderContext createRenderContext(DeviceContext) { return (RenderContext)1; }
int makeCurrent(DeviceContext, RenderContext) { return 1; }
void swapBuffers(DeviceContext) {}
void releaseDeviceContext(WindowHandle, DeviceContext) {}
void deleteRenderContext(RenderContext) {}
void restoreDisplaySettings() {}
void showWindow(WindowHandle) {}
void updateWindow(WindowHandle) {}
int messageBox(WindowHandle, const char* text, const char*, uint32_t) {
  fprintf(stderr, "message box: %s\n", text);
  return 1;
}
void outputDebugString(const char* text) { fputs(text, stderr); }
