// The GL context layer on WGL and GDI: the window's device context, its pixel format, the
// rendering context and buffer swaps.
//
// platform/gl_context.h comes before <windows.h>: its PFD_ flags are Windows' own numbers,
// which <windows.h> then defines again as macros of the same values. A DeviceContext is
// the HDC, a RenderContext the HGLRC.
#include "platform/gl_context.h"

#include <string.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/win32/drawn_window.h"

static_assert(PFD_DRAW_TO_WINDOW == 4 && PFD_SUPPORT_OPENGL == 32 && PFD_DOUBLEBUFFER == 1 &&
                  PFD_TYPE_RGBA == 0 && sizeof(PIXELFORMATDESCRIPTOR) == 40,
              "the game's pixel-format request is Windows' descriptor");

namespace {

HDC hdcOf(DeviceContext dc) { return reinterpret_cast<HDC>(dc); }
HGLRC hglrcOf(RenderContext rc) { return reinterpret_cast<HGLRC>(rc); }
HWND hwndOf(WindowHandle window) { return reinterpret_cast<HWND>(window); }

PIXELFORMATDESCRIPTOR descriptorOf(const PixelFormatRequest* request) {
  PIXELFORMATDESCRIPTOR pfd;
  memset(&pfd, 0, sizeof pfd);
  pfd.nSize = request->nSize;
  pfd.nVersion = request->nVersion;
  pfd.dwFlags = request->dwFlags;
  pfd.iPixelType = request->iPixelType;
  pfd.cColorBits = request->cColorBits;
  pfd.cDepthBits = request->cDepthBits;
  return pfd;
}

}  // namespace

DeviceContext getDeviceContext(WindowHandle window) {
  return reinterpret_cast<DeviceContext>(GetDC(hwndOf(window)));
}

int choosePixelFormat(DeviceContext dc, const PixelFormatRequest* request) {
  if (!dc || !request) return 0;
  PIXELFORMATDESCRIPTOR pfd = descriptorOf(request);
  return ChoosePixelFormat(hdcOf(dc), &pfd);
}

int setPixelFormat(DeviceContext dc, int format, const PixelFormatRequest* request) {
  if (!dc || !request) return 0;
  PIXELFORMATDESCRIPTOR pfd = descriptorOf(request);
  return SetPixelFormat(hdcOf(dc), format, &pfd) ? 1 : 0;
}

RenderContext createRenderContext(DeviceContext dc) {
  return reinterpret_cast<RenderContext>(wglCreateContext(hdcOf(dc)));
}

// Swaps never wait for the display's refresh: on a 50 Hz display that would hold the match
// to 50 steps a second, and drivers often wait by default. The window layer hands out the
// 60 repaints a second. A driver without WGL_EXT_swap_control keeps its own setting.
static void swapWithoutWaiting() {
  typedef BOOL(WINAPI * SwapInterval)(int interval);
  PROC proc = wglGetProcAddress("wglSwapIntervalEXT");
  SwapInterval setInterval = reinterpret_cast<SwapInterval>(reinterpret_cast<void (*)()>(proc));
  if (setInterval) setInterval(0);
}

int makeCurrent(DeviceContext dc, RenderContext rc) {
  if (!wglMakeCurrent(hdcOf(dc), hglrcOf(rc))) return 0;
  if (rc) swapWithoutWaiting();
  return 1;
}

void swapBuffers(DeviceContext dc) {
  if (!dc) return;
  SwapBuffers(hdcOf(dc));
  markWindowDrawn(WindowFromDC(hdcOf(dc)));
}

void releaseDeviceContext(WindowHandle window, DeviceContext dc) {
  if (dc) ReleaseDC(hwndOf(window), hdcOf(dc));
}

void deleteRenderContext(RenderContext rc) {
  if (rc) wglDeleteContext(hglrcOf(rc));
}

// The game never changes the display mode, so it leaves the mode alone at exit too: a
// reset to the registry's mode would undo a mode another program set, and can blank a
// second monitor while the desktop settles.
void restoreDisplaySettings() {}
