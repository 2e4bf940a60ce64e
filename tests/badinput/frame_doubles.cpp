// The frame start, overlay page and buffer swap around the title picture, counted instead
// of drawn (link-time stand-ins for render/graphics.cpp and the GL context layer).
#include "frame_doubles.h"

#include "platform/gl_context.h"
#include "render/graphics.h"

DeviceContext deviceContext = 0;
int framesBegun = 0;
int overlayPages = 0;
int bufferSwaps = 0;

void resetFrameDoubles() { framesBegun = overlayPages = bufferSwaps = 0; }
void beginFrame() { framesBegun++; }
void overlayPage(uint8_t) { overlayPages++; }
void swapBuffers(DeviceContext) { bufferSwaps++; }
