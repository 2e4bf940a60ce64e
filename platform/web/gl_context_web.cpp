// The GL context layer in the browser: a WebGL 1 context on the page's canvas. The game's
// GL 1.1 calls reach it through the GL 1.1 layer over OpenGL ES 2 (gl/), which is started on
// the context when it is first made current and stopped before the context goes.
#include <emscripten/html5.h>
#include <stdlib.h>

#include "platform/gl_context.h"
#include "platform/web/gl/gl11.h"
#include "platform/web/window_web_internal.h"

struct PlatformDeviceContext {
  WindowHandle window;
  int format;  // 0 until a format is set
};

struct PlatformRenderContext {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl;
  int layerStarted;  // the GL 1.1 layer's shader and buffers live on this context
};

DeviceContext getDeviceContext(WindowHandle window) {
  if (!canvasSelectorOf(window)) return 0;
  DeviceContext dc = (DeviceContext)calloc(1, sizeof(PlatformDeviceContext));
  if (dc) dc->window = window;
  return dc;
}

// WebGL offers one kind of drawing buffer: double-buffered RGBA with a depth buffer of at
// least 16 bits, format number 1.
int choosePixelFormat(DeviceContext dc, const PixelFormatRequest* request) {
  if (!dc || !request) return 0;
  const uint32_t needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
  if ((request->dwFlags & needed) != needed) return 0;
  if (request->iPixelType != PFD_TYPE_RGBA) return 0;
  if (request->cColorBits > 32 || request->cDepthBits > 16) return 0;
  return 1;
}

int setPixelFormat(DeviceContext dc, int format, const PixelFormatRequest* request) {
  if (!dc || !request || format != 1) return 0;
  if (dc->format != 0 && dc->format != format) return 0;  // a window's format is set once
  dc->format = format;
  return 1;
}

RenderContext createRenderContext(DeviceContext dc) {
  if (!dc || dc->format == 0) return 0;
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = 0;
  attributes.depth = 1;
  attributes.stencil = 0;
  attributes.antialias = 0;  // the desktop's pixel format has no multisampling either
  attributes.preserveDrawingBuffer = 1;  // the picture can be read back after it is shown
  attributes.majorVersion = 1;
  attributes.minorVersion = 0;
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl =
      emscripten_webgl_create_context(canvasSelectorOf(dc->window), &attributes);
  if (webgl <= 0) return 0;
  RenderContext rc = (RenderContext)calloc(1, sizeof(PlatformRenderContext));
  if (!rc) {
    emscripten_webgl_destroy_context(webgl);
    return 0;
  }
  rc->webgl = webgl;
  return rc;
}

int makeCurrent(DeviceContext dc, RenderContext rc) {
  if (!dc || !rc) {
    emscripten_webgl_make_context_current(0);
    return 1;
  }
  if (emscripten_webgl_make_context_current(rc->webgl) != EMSCRIPTEN_RESULT_SUCCESS) return 0;
  if (!rc->layerStarted) rc->layerStarted = gl11Start();
  return rc->layerStarted;
}

// The browser shows what was drawn when the page next gets control, at the display's
// refresh; the window layer gives it that control before every repaint. What the layer
// still holds back is drawn now.
void swapBuffers(DeviceContext) { gl11Flush(); }

void releaseDeviceContext(WindowHandle, DeviceContext dc) { free(dc); }

void deleteRenderContext(RenderContext rc) {
  if (!rc) return;
  if (rc->layerStarted && emscripten_webgl_make_context_current(rc->webgl) == EMSCRIPTEN_RESULT_SUCCESS)
    gl11Stop();
  emscripten_webgl_destroy_context(rc->webgl);
  free(rc);
}

void restoreDisplaySettings() {
  // A page cannot change the display mode, so there is nothing to restore.
}
