// The GL side of the window: pixel format, context, the start of each frame, the overlay page.
#pragma once
#include <stdint.h>
#include "platform/gl_context.h"

extern DeviceContext deviceContext;   // every buffer swap goes here
extern RenderContext renderContext;

// Start-up sets up GL on the window, builds the display lists and the font, and shows the
// window. Returns 1, or 0 when no pixel format could be chosen or set.
int initGraphics(WindowHandle window);

// Chooses and sets the pixel format; non-zero on success, 0 after a failure message.
int setupPixelFormat();

// Every repaint (and each copy of the title picture) starts here: black clear, perspective.
void beginFrame();

// The size handling sets the viewport; harmless before GL exists.
void resizeGraphics(int width, int height);

// The title's 640 by 480 page: mode 0 begins it (depth cleared, overlay projection, white),
// mode 1 ends it (flush and swap); other modes do nothing.
void overlayPage(uint8_t mode);

// Shutdown releases GL and restores the display settings.
void shutdownGraphics();
