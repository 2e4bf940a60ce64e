// The GL side of the game's window: pixel format, context and initial state, the start of
// each frame, the viewport, the title's overlay page and the shutdown.
#include "render/graphics.h"

#include <string.h>

#include "platform/opengl.h"
#include "platform/window.h"
#include "render/arena.h"
#include "render/draw_helpers.h"
#include "render/font.h"

DeviceContext deviceContext = 0;
RenderContext renderContext = 0;

namespace {
WindowHandle graphicsWindow = 0;  // the window deviceContext goes back to at shutdown
}

int initGraphics(WindowHandle window) {
  graphicsWindow = window;
  deviceContext = getDeviceContext(window);
  if (!setupPixelFormat()) return 0;

  // A context that cannot be created or made current leaves GL calls doing nothing: the
  // game then runs with a window that shows no picture.
  renderContext = createRenderContext(deviceContext);
  makeCurrent(deviceContext, renderContext);

  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_FLAT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // font bitmaps and the title are tightly packed
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

  buildDisplayLists();  // fixed list numbers, before the font reserves its own
  loadFont();

  showWindow(window);
  updateWindow(window);
  return 1;
}

int setupPixelFormat() {
  PixelFormatRequest request;
  memset(&request, 0, sizeof request);
  request.nSize = 40;
  request.nVersion = 1;
  request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  request.iPixelType = PFD_TYPE_RGBA;
  request.cColorBits = 16;
  request.cDepthBits = 16;

  int format = choosePixelFormat(deviceContext, &request);
  if (format == 0) {
    messageBox(0, "ChoosePixelFormat() failed:  Cannot find a suitable pixel format.", "Error", MB_OK);
    return 0;
  }
  if (!setPixelFormat(deviceContext, format, &request)) {
    messageBox(0, "SetPixelFormat() failed:  Cannot set format specified.", "Error", MB_OK);
    return 0;
  }
  return 1;
}

void beginFrame() {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(70.0, 1.0, 10.0, 30000.0);  // aspect 1 whatever the window's shape
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void resizeGraphics(int width, int height) {
  // The first size message comes while the window is being created, before GL exists.
  if (!renderContext) return;
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  glViewport(0, 0, width, height);
}

void overlayPage(uint8_t mode) {
  if (mode == 0) {
    glClear(GL_DEPTH_BUFFER_BIT);  // what is already drawn stays under the page
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 640.0, 0.0, 480.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    setPackedColor(0xFFFFFFFFu);
  } else if (mode == 1) {
    glFlush();
    swapBuffers(deviceContext);
  }
}

void shutdownGraphics() {
  restoreDisplaySettings();
  makeCurrent(0, 0);
  if (deviceContext) releaseDeviceContext(graphicsWindow, deviceContext);
  deviceContext = 0;
  deleteRenderContext(renderContext);  // none is harmless
  renderContext = 0;
}
