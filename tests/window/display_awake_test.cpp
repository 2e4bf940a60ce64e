// The SDL window layer lets the display sleep at the title, where a frame is shown only on
// exposure, and keeps it awake while a match or the attract mode shows one frame after
// another. The clock is moved by hand; the window and its queue are real, on a private
// display.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/sdl/display_awake_sdl.h"
#include "platform/window.h"
#include "tests/doubles/manual_frame_clock.h"

namespace {

int showFrames = 0;  // each repaint puts a frame on the screen

intptr_t frameProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != WM_PAINT) return defaultWindowProc(window, message, wParam, lParam);
  setManualClock(manualClockNow() + 2000);
  if (showFrames) noteFrameShown();
  return 1;
}

void runLoop(WindowHandle window, int seconds) {
  WindowMessage m;
  int64_t end = manualClockNow() + seconds * CLOCK_SECOND;
  for (int pass = 0; pass < 1000000 && manualClockNow() < end; pass++) {
    if (peekMessage(&m) && m.message != WM_QUIT) dispatchMessage(&m);
    invalidateWindow(window);
  }
}

TEST(DisplayAwake, TheScreenSaverIsKeptOutOnlyWhileFramesAreShown) {
  ASSERT_TRUE(openDesktop());
  WindowClass cls = {"Awake Test", frameProc};
  ASSERT_TRUE(registerWindowClass(&cls));
  WindowHandle window = createWindow("Awake Test", "awake", 640, 480);
  ASSERT_TRUE(window != 0) << "no window on the test display";
  showWindow(window);
  setManualClock(9000 * CLOCK_SECOND);
  showFrames = 1;
  runLoop(window, 1);
  EXPECT_FALSE(SDL_IsScreenSaverEnabled()) << "frames shown, yet the display may sleep";
  showFrames = 0;
  runLoop(window, 3);
  EXPECT_TRUE(SDL_IsScreenSaverEnabled()) << "no frame for 3 s, yet the display stays awake";
  showFrames = 1;
  runLoop(window, 1);
  EXPECT_FALSE(SDL_IsScreenSaverEnabled()) << "frames again, yet the display may sleep";
}

}  // namespace
