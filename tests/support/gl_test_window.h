// Scene tests: a hidden window on the test's private Xvfb with a current GL context,
// opened through the game's own window and GL context layers.
#pragma once
#include <stdint.h>
#include "platform/gl_context.h"

struct GlTestWindow {
  WindowHandle window;
  DeviceContext dc;
  RenderContext rc;
  int width, height;
};

// Opens the desktop, registers a class, creates the hidden window and makes a GL context
// current. Returns 0 (with a reason on stderr) when any step fails. Opens once per process;
// later calls return the same window.
int openGlTestWindow(GlTestWindow* out, int width = 640, int height = 480);

// The colour of one pixel of the back buffer (the off-screen frame, where the game draws
// into one), as 8-bit RGB.
void readPixelRgb(int x, int y, uint8_t rgb[3]);

// Writes the whole back buffer as a binary PPM (top row first). Returns 0 on failure.
int saveBackBufferPpm(const char* path, int width, int height);
