// Under test: the browser's GL 1.1 layer on Mesa's GLES 2.
#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <stdio.h>
#include "drawing_context.h"
#include "platform/web/gl/gl11.h"

int openDrawingContext() {
  if (!openPbufferContext(EGL_OPENGL_ES_API) || !gl11Start()) return 0;
  gl11Viewport(0, 0, PICTURE_WIDTH, PICTURE_HEIGHT);
  return 1;
}

int readPicture(uint8_t* rgba) {
  gl11Flush();  // what waits in the layer to be drawn together
  GLenum error = glGetError();
  if (error != GL_NO_ERROR) fprintf(stderr, "GL error 0x%x\n", error);
  glFinish();
  glReadPixels(0, 0, PICTURE_WIDTH, PICTURE_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return error == GL_NO_ERROR;
}
