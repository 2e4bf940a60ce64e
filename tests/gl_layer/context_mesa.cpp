// The reference: Mesa's own GL 1.1.
#include <EGL/egl.h>
#include <GL/gl.h>
#include "drawing_context.h"

int openDrawingContext() {
  if (!openPbufferContext(EGL_OPENGL_API)) return 0;
  glViewport(0, 0, PICTURE_WIDTH, PICTURE_HEIGHT);
  return 1;
}

void readPicture(uint8_t* rgba) {
  glFinish();
  glReadPixels(0, 0, PICTURE_WIDTH, PICTURE_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
