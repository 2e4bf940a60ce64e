// The GL context layer on SDL2: the window's GL visual stands in for the pixel format.
// The game draws into the window at its own size and into the scaled frame at any other,
// which each swap presents at the window's size.
#include <stdlib.h>
#include "platform/gl_context.h"
#include "platform/sdl/display_awake_sdl.h"
#include "platform/sdl/window_sdl_internal.h"
#include "platform/shared/scaled_frame.h"

struct PlatformDeviceContext {
  WindowHandle window;
  int format;  // 0 until a format is set
};

struct PlatformRenderContext {
  SDL_GLContext gl;
};

namespace {

// The context the scaled frame was started in, and the window it is presented to.
RenderContext frameContext = 0;
WindowHandle frameWindow = 0;

// The off-screen frame still holds the last picture: the desktop gets it again at once.
// In a window of the frame's size the game draws it again.
int showLastPicture(WindowHandle window) {
  if (!scaledFrameOffscreen() || window != frameWindow) return 0;
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(sdlWindowOf(window), &width, &height);
  scaledFramePresent(width, height);
  SDL_GL_SwapWindow(sdlWindowOf(window));
  scaledFrameSwapped(width, height);
  return 1;
}

void startFrame(DeviceContext dc, RenderContext rc) {
  frameContext = rc;
  frameWindow = dc->window;
  if (scaledFrameStart(SDL_GL_GetProcAddress)) {
    frameWindow->showLastPicture = showLastPicture;
  } else {
    // The game's picture sits in the window's own pixels: a smaller window would cut it.
    SDL_SetWindowMinimumSize(sdlWindowOf(frameWindow), GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT);
  }
}

// With its context still current.
void stopFrame() {
  if (!frameContext) return;
  scaledFrameStop();
  if (frameWindow) frameWindow->showLastPicture = 0;
  frameContext = 0;
  frameWindow = 0;
}

}  // namespace

DeviceContext getDeviceContext(WindowHandle window) {
  if (!window) return 0;
  DeviceContext dc = (DeviceContext)calloc(1, sizeof(PlatformDeviceContext));
  if (dc) dc->window = window;
  return dc;
}

// The window was created with the game's visual when the display offers one; the only
// format this backend can offer is that visual, number 1.
int choosePixelFormat(DeviceContext dc, const PixelFormatRequest* request) {
  if (!dc || !request || !windowIsGlCapable(dc->window)) return 0;
  const uint32_t needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
  if ((request->dwFlags & needed) != needed) return 0;
  if (request->iPixelType != PFD_TYPE_RGBA) return 0;
  if (request->cColorBits > 32 || request->cDepthBits > 32) return 0;
  return 1;
}

int setPixelFormat(DeviceContext dc, int format, const PixelFormatRequest* request) {
  if (!dc || !request || format != 1 || !windowIsGlCapable(dc->window)) return 0;
  if (dc->format != 0 && dc->format != format) return 0;  // a window's format is set once
  dc->format = format;
  return 1;
}

RenderContext createRenderContext(DeviceContext dc) {
  if (!dc || dc->format == 0) return 0;
  SDL_Window* sdl = sdlWindowOf(dc->window);
  SDL_GLContext gl = SDL_GL_CreateContext(sdl);
  if (!gl) return 0;
  RenderContext rc = (RenderContext)calloc(1, sizeof(PlatformRenderContext));
  if (!rc) {
    SDL_GL_DeleteContext(gl);
    return 0;
  }
  rc->gl = gl;
  return rc;
}

int makeCurrent(DeviceContext dc, RenderContext rc) {
  if (!dc || !rc) {
    stopFrame();
    SDL_GL_MakeCurrent(0, 0);
    return 1;
  }
  if (SDL_GL_MakeCurrent(sdlWindowOf(dc->window), rc->gl) != 0) return 0;
  // Swaps never wait for the display's refresh: on a 50 Hz display that would hold the
  // match to 50 steps a second. The window layer hands out the 60 repaints a second.
  SDL_GL_SetSwapInterval(0);
  if (!frameContext) startFrame(dc, rc);  // the game has one context, and one frame
  return 1;
}

void swapBuffers(DeviceContext dc) {
  if (!dc) return;
  SDL_Window* sdl = sdlWindowOf(dc->window);
  if (!frameContext || dc->window != frameWindow) {
    SDL_GL_SwapWindow(sdl);
    noteFrameShown();
    return;
  }
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(sdl, &width, &height);
  scaledFramePresent(width, height);
  SDL_GL_SwapWindow(sdl);
  scaledFrameSwapped(width, height);
  noteFrameShown();
}

void releaseDeviceContext(WindowHandle, DeviceContext dc) { free(dc); }

void deleteRenderContext(RenderContext rc) {
  if (!rc) return;
  if (rc == frameContext) stopFrame();  // deleted while current: its frame goes with it
  SDL_GL_DeleteContext(rc->gl);
  free(rc);
}

void restoreDisplaySettings() {
  // The game never changes the display mode here, so there is nothing to restore.
}
