// A minimised window has no client area, so Windows makes no repaint for it: the loop must
// still wait out each frame slot instead of spinning. Minimised from inside the program:
// under Xvfb with no window manager, a minimise from outside does nothing. The clock is
// moved by hand, the queue is Windows' own.
#include <gtest/gtest.h>

#include "platform/window.h"
#include "tests/doubles/manual_frame_clock.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

const int64_t SECOND = 1000000;
int repaints = 0;

intptr_t countingProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == WM_PAINT) {
    repaints++;
    return 1;
  }
  return defaultWindowProc(window, message, wParam, lParam);
}

// The main loop's passes for a second of clock time; returns how many there were.
int runOneSecond(WindowHandle window) {
  repaints = 0;
  WindowMessage m;
  int64_t end = manualClockNow() + SECOND;
  int pass = 0;
  for (; pass < 100000 && manualClockNow() < end; pass++) {
    if (peekMessage(&m) && m.message != WM_QUIT) dispatchMessage(&m);
    invalidateWindow(window);
  }
  return pass;
}

TEST(Win32WindowPacing, AMinimisedWindowWaitsOutItsFrameSlots) {
  WindowClass cls = {"Minimised Pacing Test", countingProc};
  ASSERT_TRUE(registerWindowClass(&cls));
  WindowHandle window = createWindow("Minimised Pacing Test", "minimised", 640, 480);
  ASSERT_TRUE(window != 0);
  showWindow(window);
  HWND hwnd = reinterpret_cast<HWND>(window);
  ShowWindow(hwnd, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(hwnd));

  setManualClock(20000 * SECOND);
  int passes = runOneSecond(window);
  EXPECT_LT(passes, 100000) << "the loop spun without waiting";
  EXPECT_EQ(repaints, 0);
  EXPECT_NEAR((double)manualClockWaits(), 60.0, 2.0) << "one wait for each frame slot";

  // Restored, it is painted at 60 a second again.
  ShowWindow(hwnd, SW_RESTORE);
  setManualClock(30000 * SECOND);
  runOneSecond(window);
  EXPECT_NEAR((double)repaints, 60.0, 2.0);
  DestroyWindow(hwnd);
}

}  // namespace
