// The picture runner's context, one per build of it: Mesa's own GL 1.1, or the browser's
// GL 1.1 layer over Mesa's GLES 2. Both draw into a 640 by 480 EGL pbuffer, no display needed.
#pragma once
#include <stdint.h>

enum { PICTURE_WIDTH = 640, PICTURE_HEIGHT = 480 };

// Makes the context current with a 640 by 480 viewport. Returns 0 (saying why) on failure.
int openDrawingContext();

// The drawn picture, bottom row first, RGBA. Returns 0 (saying which) if any call drawing
// it raised a GL error: the layer must call ES 2 only with what ES 2 knows.
int readPicture(uint8_t* rgba);

// Shared by both: an EGL pbuffer context of the API asked for (EGL_OPENGL_API or
// EGL_OPENGL_ES_API).
int openPbufferContext(unsigned api);
