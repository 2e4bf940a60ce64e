// The GL context layer on WGL and GDI: the window's device context, its pixel format, the
// rendering context and buffer swaps. The game draws its 640 by 480 picture off-screen
// (platform/shared/scaled_frame.h) and each swap presents it scaled to the client area.
//
// platform/gl_context.h comes before <windows.h>: its PFD_ flags are Windows' own numbers,
// which <windows.h> then defines again as macros of the same values. A DeviceContext is
// the HDC, a RenderContext the HGLRC.
#include "platform/gl_context.h"

#include <string.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <GL/gl.h>

#include "platform/shared/scaled_frame.h"
#include "platform/win32/display_refresh.h"
#include "platform/win32/drawn_window.h"
#include "platform/win32/fullscreen_win32.h"

static_assert(PFD_DRAW_TO_WINDOW == 4 && PFD_SUPPORT_OPENGL == 32 && PFD_DOUBLEBUFFER == 1 &&
                  PFD_TYPE_RGBA == 0 && sizeof(PIXELFORMATDESCRIPTOR) == 40,
              "the game's pixel-format request is Windows' descriptor");

namespace {

HDC hdcOf(DeviceContext dc) { return reinterpret_cast<HDC>(dc); }
HGLRC hglrcOf(RenderContext rc) { return reinterpret_cast<HGLRC>(rc); }
HWND hwndOf(WindowHandle window) { return reinterpret_cast<HWND>(window); }

HGLRC scaledContext = 0;  // the context the scaled frame was started on

// wglGetProcAddress knows only what came after GL 1.1, and some drivers answer a small
// number for a name they lack; the 1.1 names are opengl32's own exports.
void* loadGlEntry(const char* name) {
  PROC proc = wglGetProcAddress(name);
  const intptr_t answer = reinterpret_cast<intptr_t>(proc);
  if (answer >= -1 && answer <= 3) proc = GetProcAddress(GetModuleHandleA("opengl32.dll"), name);
  return reinterpret_cast<void*>(proc);
}

SIZE presentedSize = {0, 0};  // the client area's size at the last present
bool swapsToResize = false;   // the driver takes a new window size only at a swap

// Mesa's software renderers look at the window's size only at a swap. Other drivers follow
// the window at once, and would show the swap's undefined back buffer for a frame.
bool resizesAtSwapOnly() {
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return renderer && (strstr(renderer, "llvmpipe") || strstr(renderer, "softpipe") ||
                      strstr(renderer, "Software Rasterizer"));
}

// On a software renderer a window whose size has changed since the last present gets one
// swap first, and the present then goes to buffers of the new size. (Only off-screen: the
// game's drawing in the window moves off-screen before that swap, and stays in the window
// at the frame's own size.) Wine here always runs on Mesa's software renderer, so the swap
// left out on other drivers cannot be shown under it.
void presentAtClientSize(HWND window, HDC dc) {
  RECT client;
  if (!GetClientRect(window, &client)) return;
  if (swapsToResize && (presentedSize.cx || presentedSize.cy) &&
      (client.right != presentedSize.cx || client.bottom != presentedSize.cy)) {
    scaledFrameFollow(client.right, client.bottom);
    if (scaledFrameOffscreen()) SwapBuffers(dc);
  }
  scaledFramePresent(client.right, client.bottom);
  presentedSize.cx = client.right;
  presentedSize.cy = client.bottom;
}

// Which way the last swap interval was set: for a window in full screen on this monitor, or
// for a framed one (monitor 0). `known` false: not yet set for the current context.
struct SwapWait {
  bool known;
  bool fullscreen;
  HMONITOR monitor;
};
SwapWait swapWait = {false, false, 0};

// In a window, swaps never wait for the display's refresh: on a 50 Hz display that would
// hold the match to 50 steps a second, and drivers often wait by default. In full screen
// drivers flip a window that covers its monitor instead of copying it, and a flip that
// does not wait tears: there swaps wait where the display runs at 60 Hz or more. The window
// layer hands out the 60 repaints a second either way. A driver without
// WGL_EXT_swap_control keeps its own setting. A display of unknown rate is taken as one
// that may run below 60 Hz.
void followDisplay(HWND window) {
  const bool fullscreen = isFullscreen(window);
  HMONITOR monitor = fullscreen ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : 0;
  if (swapWait.known && swapWait.fullscreen == fullscreen && swapWait.monitor == monitor) return;
  swapWait = SwapWait{true, fullscreen, monitor};
  typedef BOOL(WINAPI * SwapInterval)(int interval);
  PROC proc = wglGetProcAddress("wglSwapIntervalEXT");
  SwapInterval setInterval = reinterpret_cast<SwapInterval>(reinterpret_cast<void (*)()>(proc));
  if (setInterval) setInterval(fullscreen && monitorRefreshHz(monitor) >= 60 ? 1 : 0);
}

// The window layer's way to show the last picture again (resized, exposed), with no work
// from the game: the off-screen frame still holds it. A window of the frame's size has
// none, and the game draws it again.
bool presentAgain(HWND window) {
  HDC dc = wglGetCurrentDC();
  if (!dc || WindowFromDC(dc) != window) return true;
  if (!scaledFrameOffscreen()) return false;
  followDisplay(window);
  presentAtClientSize(window, dc);
  SwapBuffers(dc);
  scaledFrameSwapped(presentedSize.cx, presentedSize.cy);
  return true;
}

// Once the game's context is current: the game draws into the window at the frame's size
// and off-screen at any other. A driver that cannot (opengl32's own 1.1 renderer) leaves the picture 640 by 480 in the
// window, which then keeps at least that size.
void startScaledFrame(HDC dc, HGLRC rc) {
  if (scaledContext) return;
  scaledContext = rc;
  swapsToResize = resizesAtSwapOnly();
  const bool offscreen = scaledFrameStart(loadGlEntry) != 0;
  setWindowPresenter(WindowFromDC(dc), offscreen ? presentAgain : 0, !offscreen);
}

void stopScaledFrame() {
  if (!scaledContext) return;
  HDC dc = wglGetCurrentDC();
  if (dc) setWindowPresenter(WindowFromDC(dc), 0, false);
  scaledFrameStop();
  scaledContext = 0;
}

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

int makeCurrent(DeviceContext dc, RenderContext rc) {
  if (!rc) stopScaledFrame();  // while its context is still current
  if (!wglMakeCurrent(hdcOf(dc), hglrcOf(rc))) return 0;
  if (rc) {
    swapWait.known = false;
    followDisplay(WindowFromDC(hdcOf(dc)));
    startScaledFrame(hdcOf(dc), hglrcOf(rc));
  }
  return 1;
}

void swapBuffers(DeviceContext dc) {
  if (!dc) return;
  HWND window = WindowFromDC(hdcOf(dc));
  followDisplay(window);
  if (scaledContext) presentAtClientSize(window, hdcOf(dc));
  SwapBuffers(hdcOf(dc));
  if (scaledContext) scaledFrameSwapped(presentedSize.cx, presentedSize.cy);
  markWindowDrawn(window);
}

void releaseDeviceContext(WindowHandle window, DeviceContext dc) {
  if (dc) ReleaseDC(hwndOf(window), hdcOf(dc));
}

void deleteRenderContext(RenderContext rc) {
  if (!rc) return;
  if (hglrcOf(rc) == scaledContext && wglGetCurrentContext() == scaledContext) stopScaledFrame();
  if (hglrcOf(rc) == scaledContext) scaledContext = 0;
  wglDeleteContext(hglrcOf(rc));
}

// The game never changes the display mode, so it leaves the mode alone at exit too: a
// reset to the registry's mode would undo a mode another program set, and can blank a
// second monitor while the desktop settles.
void restoreDisplaySettings() {}
