// GL context layer: pixel format, rendering context and buffer swaps of the game's window.
// Its names and numbers are Windows' own: the Win32 backend includes it before <windows.h>,
// whose macros then carry the same values.
#pragma once
#include <stdint.h>
#include "platform/window.h"

enum {
  PFD_DOUBLEBUFFER = 0x00000001,
  PFD_DRAW_TO_WINDOW = 0x00000004,
  PFD_SUPPORT_OPENGL = 0x00000020,
  PFD_TYPE_RGBA = 0,
};

// The fields of the pixel-format request the game fills; every other field is zero.
struct PixelFormatRequest {
  uint16_t nSize;
  uint16_t nVersion;
  uint32_t dwFlags;
  uint8_t iPixelType;
  uint8_t cColorBits;
  uint8_t cDepthBits;
};

typedef struct PlatformDeviceContext* DeviceContext;
typedef struct PlatformRenderContext* RenderContext;

// The graphics set-up takes the window's device context once and keeps it for the run.
DeviceContext getDeviceContext(WindowHandle window);

// The pixel-format set-up asks for the best match of its request. Returns a format
// number above 0, or 0 when nothing suitable exists.
int choosePixelFormat(DeviceContext dc, const PixelFormatRequest* request);

// The pixel-format set-up then sets the chosen format. Returns non-zero on success.
int setPixelFormat(DeviceContext dc, int format, const PixelFormatRequest* request);

// The graphics set-up creates the GL context on the device context (0 on failure).
RenderContext createRenderContext(DeviceContext dc);

// Makes the context current (both null: none current). Returns non-zero on success.
int makeCurrent(DeviceContext dc, RenderContext rc);

// Every finished frame (HUD, title) is shown by swapping the buffers. The swap never
// waits for the display's refresh (making the context current turns that off where the
// driver lets it): every frame is one step of the match, and a swap held to a 50 Hz
// display would hold the match to 50 steps a second. The window layer paces the frames.
void swapBuffers(DeviceContext dc);

// The graphics shutdown releases the device context back to its window ...
void releaseDeviceContext(WindowHandle window, DeviceContext dc);

// ... and deletes the rendering context (a null context is ignored).
void deleteRenderContext(RenderContext rc);

// The graphics shutdown hands the display back as the game found it. The game never
// changes the display mode, so no backend has a mode of its own to undo; another program's
// mode is that program's business.
void restoreDisplaySettings();
