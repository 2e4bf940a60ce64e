// The GL context layer in the browser: a WebGL 1 context on the page's canvas. The game's
// GL 1.1 calls reach it through the GL 1.1 layer over OpenGL ES 2 (gl/), which is started on
// the context when it is first made current and stopped before the context goes. The game
// draws into an off-screen frame of its window's size, and each swap presents that frame on
// the canvas, scaled sharply (gl/scaled_present.h); the canvas follows the size it is shown
// at, in the display's own pixels, and shows the last picture again at once when that changes.
#include <emscripten.h>
#include <emscripten/html5.h>
#include <stdlib.h>

#include "platform/gl_context.h"
#include "platform/web/gl/gl11.h"
#include "platform/web/gl/scaled_present.h"
#include "platform/web/wake_lock_web.h"
#include "platform/web/window_web_internal.h"

struct PlatformDeviceContext {
  WindowHandle window;
  int format;  // 0 until a format is set
};

struct PlatformRenderContext {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl;
  int layerStarted;  // the GL 1.1 layer's shader and buffers live on this context
  int presenting;    // the game draws off-screen and each swap presents it scaled
  const char* canvas;
};

namespace {

RenderContext presentingContext;  // the context whose canvas follows its shown size

void presentOnCanvas(const char* canvas) {
  int width = 0, height = 0;
  if (emscripten_get_canvas_element_size(canvas, &width, &height) != EMSCRIPTEN_RESULT_SUCCESS) return;
  scaledPresentShow(width, height);
}

}  // namespace

// The canvas's drawing buffer follows the size the page shows it at, in the display's
// pixels (its CSS size times the device pixel ratio). Resizing the buffer clears it: the
// last picture is presented again at once, before the browser shows the page.
extern "C" EMSCRIPTEN_KEEPALIVE void webCanvasResized() {
  RenderContext rc = presentingContext;
  if (!rc || emscripten_webgl_get_current_context() != rc->webgl) return;
  presentOnCanvas(rc->canvas);
}

EM_JS(void, followCanvasSize, (const char* selector), {
  const canvas = document.querySelector(UTF8ToString(selector));
  if (!canvas || typeof ResizeObserver === 'undefined') return;
  const fit = (width, height) => {
    width = Math.round(width);
    height = Math.round(height);
    if (width < 1 || height < 1 || (canvas.width === width && canvas.height === height)) return;
    canvas.width = width;
    canvas.height = height;
    _webCanvasResized();
  };
  // The browser's own count of the canvas's device pixels is exact where it is given and
  // agrees with the ratio (an emulated ratio it leaves out); else the CSS size times it.
  const measure = (entry) => {
    const rect = entry ? entry.contentRect : canvas.getBoundingClientRect();
    const ratio = window.devicePixelRatio || 1;
    const width = rect.width * ratio, height = rect.height * ratio;
    const box = entry && entry.devicePixelContentBoxSize && entry.devicePixelContentBoxSize[0];
    if (box && Math.abs(box.inlineSize - width) <= 1 && Math.abs(box.blockSize - height) <= 1)
      fit(box.inlineSize, box.blockSize);
    else
      fit(width, height);
  };
  const observer = new ResizeObserver((entries) => measure(entries[entries.length - 1]));
  try {
    observer.observe(canvas, { box: 'device-pixel-content-box' });
  } catch (e) {
    observer.observe(canvas);
  }
  // A change of the ratio alone (the window moved to another display, the page zoomed).
  // The query is held by stop, and so by the module: one nobody holds would be collected,
  // its listener too.
  let query = null;
  const watchRatio = () => {
    query = matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)');
    query.addEventListener('change', ratioChanged, { once: true });
  };
  const ratioChanged = () => {
    measure(null);
    watchRatio();
  };
  // The observer and the query's listener each hold the whole program: they go when the
  // context does, or however else the game ends.
  const stop = () => {
    observer.disconnect();
    if (query) query.removeEventListener('change', ratioChanged);
    query = null;
    if (Module.vaskCanvasFollower === stop) Module.vaskCanvasFollower = null;
  };
  Module.vaskCanvasFollower = stop;
  (Module.vaskAtEnd || []).push(stop);
  watchRatio();
});

EM_JS(void, stopFollowingCanvasSize, (), {
  if (Module.vaskCanvasFollower) Module.vaskCanvasFollower();
});

// Whether the picture must stay readable after the browser has shown it (a test reading the
// canvas's pixels asks for it with the createVask option preserveDrawingBuffer, or the
// page's address with ?preserveDrawingBuffer). Players do without: kept, the browser
// copies every frame before it shows it.
EM_JS(int, pageWantsDrawingBufferKept, (), {
  if (Module.preserveDrawingBuffer) return 1;
  try {
    return new URLSearchParams(location.search).has('preserveDrawingBuffer') ? 1 : 0;
  } catch (e) {
    return 0;
  }
});

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

// Without WebGL (switched off, or a browser or driver without it) the game could show
// nothing: the page says why, and the program ends rather than play on unseen.
EM_JS(void, tellPageCannotDraw, (), {
  if (Module.vaskPage && Module.vaskPage.cannotDraw) Module.vaskPage.cannotDraw();
});

RenderContext createRenderContext(DeviceContext dc) {
  if (!dc || dc->format == 0) return 0;
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = 0;
  attributes.depth = 1;
  attributes.stencil = 0;
  attributes.antialias = 0;  // the desktop's pixel format has no multisampling either
  attributes.preserveDrawingBuffer = pageWantsDrawingBufferKept();
  attributes.majorVersion = 1;
  attributes.minorVersion = 0;
  // The GL 1.1 layer draws with WebGL 1 alone: turning every extension the browser offers on
  // costs a round trip to its GPU process each, tens of milliseconds before the title.
  attributes.enableExtensionsByDefault = 0;
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl =
      emscripten_webgl_create_context(canvasSelectorOf(dc->window), &attributes);
  if (webgl <= 0) {
    tellPageCannotDraw();
    exit(1);
  }
  RenderContext rc = (RenderContext)calloc(1, sizeof(PlatformRenderContext));
  if (!rc) {
    emscripten_webgl_destroy_context(webgl);
    return 0;
  }
  rc->webgl = webgl;
  rc->canvas = canvasSelectorOf(dc->window);
  return rc;
}

// A step run to catch up, whose picture the next step's hides, is not drawn: on a phone
// whose animation frames come 30 a second, drawing it would double the work of every frame.
static void drawOnlyWhatIsShown(int shown) { gl11DiscardDrawing(!shown); }

int makeCurrent(DeviceContext dc, RenderContext rc) {
  if (!rc) {
    emscripten_webgl_make_context_current(0);
    return !dc;  // a window with no context to make current has failed
  }
  if (!dc) return 0;
  if (emscripten_webgl_make_context_current(rc->webgl) != EMSCRIPTEN_RESULT_SUCCESS) return 0;
  if (!rc->layerStarted) {
    rc->layerStarted = gl11Start();
    if (rc->layerStarted) tellRepaintStarts(drawOnlyWhatIsShown);
    WindowRect frame = {0, 0, 0, 0};
    if (rc->layerStarted && getWindowRect(dc->window, &frame) &&
        scaledPresentStart(frame.right - frame.left, frame.bottom - frame.top)) {
      rc->presenting = 1;
      presentingContext = rc;
      followCanvasSize(rc->canvas);
    }
  }
  return rc->layerStarted;
}

// The browser shows what was drawn when the page next gets control, at the display's
// refresh; the window layer gives it that control after the last repaint of an animation
// frame. What the layer still holds back is drawn now, and the frame presented on the
// canvas if it is the one shown: the steps before it in the same frame are not.
void swapBuffers(DeviceContext dc) {
  gl11Flush();
  if (!repaintIsLastOfFrame()) return;
  if (dc && presentingContext) presentOnCanvas(presentingContext->canvas);
  wakeLockFrameShown();
}

void releaseDeviceContext(WindowHandle, DeviceContext dc) { free(dc); }

void deleteRenderContext(RenderContext rc) {
  if (!rc) return;
  wakeLockStop();
  if (rc == presentingContext) {
    stopFollowingCanvasSize();
    presentingContext = 0;
  }
  if (rc->layerStarted) tellRepaintStarts(0);
  if (rc->layerStarted && emscripten_webgl_make_context_current(rc->webgl) == EMSCRIPTEN_RESULT_SUCCESS) {
    if (rc->presenting) scaledPresentStop();
    gl11Stop();
  }
  emscripten_webgl_destroy_context(rc->webgl);
  free(rc);
}

void restoreDisplaySettings() {
  // A page cannot change the display mode, so there is nothing to restore.
}
