#include "tests/support/gl_test_window.h"
#include <stdio.h>
#include <stdlib.h>
#include "platform/opengl.h"

namespace {
GlTestWindow opened;
int isOpen = 0;

intptr_t testWindowProc(WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
  if (m == WM_PAINT) return 1;  // the tests draw on their own schedule
  return defaultWindowProc(w, m, wp, lp);
}
}  // namespace

int openGlTestWindow(GlTestWindow* out, int width, int height) {
  if (isOpen) {
    *out = opened;
    return 1;
  }
  if (!openDesktop()) return 0;
  WindowClass cls = {"Vask Test Window", testWindowProc};
  if (!registerWindowClass(&cls)) {
    fprintf(stderr, "gl test window: class not registered\n");
    return 0;
  }
  opened.window = createWindow("Vask Test Window", "Vask scene test", width, height);
  if (!opened.window) {
    fprintf(stderr, "gl test window: window not created\n");
    return 0;
  }
  opened.dc = getDeviceContext(opened.window);
  PixelFormatRequest request = {40, 1, PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
                                PFD_TYPE_RGBA, 16, 16};
  int format = choosePixelFormat(opened.dc, &request);
  if (!format || !setPixelFormat(opened.dc, format, &request)) {
    fprintf(stderr, "gl test window: no pixel format\n");
    return 0;
  }
  opened.rc = createRenderContext(opened.dc);
  if (!opened.rc || !makeCurrent(opened.dc, opened.rc)) {
    fprintf(stderr, "gl test window: no GL context\n");
    return 0;
  }
  opened.width = width;
  opened.height = height;
  glViewport(0, 0, width, height);
  isOpen = 1;
  *out = opened;
  return 1;
}

// The game draws into an off-screen frame where the GL layer made one; it is bound for
// reading. (A GL 1.1 driver knows no framebuffer binding, and leaves the answer 0.)
void readFromTheGamesFrame() {
  const GLenum FRAMEBUFFER_BINDING = 0x8CA6;
  GLint frame = 0;
  glGetIntegerv(FRAMEBUFFER_BINDING, &frame);
  if (frame == 0) glReadBuffer(GL_BACK);
}

void readPixelRgb(int x, int y, uint8_t rgb[3]) {
  readFromTheGamesFrame();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

int saveBackBufferPpm(const char* path, int width, int height) {
  unsigned char* pixels = (unsigned char*)malloc((size_t)width * height * 3);
  if (!pixels) return 0;
  readFromTheGamesFrame();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  FILE* f = fopen(path, "wb");
  if (!f) {
    free(pixels);
    return 0;
  }
  fprintf(f, "P6\n%d %d\n255\n", width, height);
  for (int row = height - 1; row >= 0; row--) fwrite(pixels + (size_t)row * width * 3, 1, (size_t)width * 3, f);
  fclose(f);
  free(pixels);
  return 1;
}
