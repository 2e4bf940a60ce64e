// The reference: Mesa's own GL 1.1.
#include <EGL/egl.h>
#include <GL/gl.h>
#include <stdio.h>
#include "drawing_context.h"

int openDrawingContext() {
  if (!openPbufferContext(EGL_OPENGL_API)) return 0;
  glViewport(0, 0, PICTURE_WIDTH, PICTURE_HEIGHT);
  return 1;
}

int readPicture(uint8_t* rgba) {
  GLenum error = glGetError();
  if (error != GL_NO_ERROR) fprintf(stderr, "GL error 0x%x\n", error);
  glFinish();
  glReadPixels(0, 0, PICTURE_WIDTH, PICTURE_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return error == GL_NO_ERROR;
}
