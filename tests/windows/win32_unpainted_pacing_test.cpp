// Windows that get no repaint: a minimised one has no client area, and a visible one can
// be left unpainted (covered under a classic theme, in a remote session). The loop must
// still wait out each frame slot instead of spinning. Minimised from inside the program:
// under Xvfb with no window manager, a minimise from outside does nothing. The clock is
// moved by hand, the queue is Windows' own.
#include <gtest/gtest.h>

#include "platform/window.h"
#include "tests/doubles/manual_frame_clock.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

int repaints = 0;

intptr_t countingProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == WM_PAINT) {
    repaints++;
    return 1;
  }
  return defaultWindowProc(window, message, wParam, lParam);
}

// The main loop's passes for a second of clock time; returns how many there were. With
// `unpainted`, each pass's repaint request is taken back at once, as by a system that
// makes no repaint for the window.
int runOneSecond(WindowHandle window, bool unpainted = false) {
  repaints = 0;
  WindowMessage m;
  int64_t end = manualClockNow() + CLOCK_SECOND;
  int pass = 0;
  for (; pass < 100000 && manualClockNow() < end; pass++) {
    if (peekMessage(&m) && m.message != WM_QUIT) dispatchMessage(&m);
    invalidateWindow(window);
    if (unpainted) ValidateRect(reinterpret_cast<HWND>(window), 0);
  }
  return pass;
}

WindowHandle makeWindow(const char* className) {
  WindowClass cls = {className, countingProc};
  if (!registerWindowClass(&cls)) return 0;
  WindowHandle window = createWindow(className, className, 640, 480);
  if (window) showWindow(window);
  return window;
}

TEST(Win32WindowPacing, AMinimisedWindowWaitsOutItsFrameSlots) {
  WindowHandle window = makeWindow("Minimised Pacing Test");
  ASSERT_TRUE(window != 0);
  HWND hwnd = reinterpret_cast<HWND>(window);
  ShowWindow(hwnd, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(hwnd));

  setManualClock(20000 * CLOCK_SECOND);
  int passes = runOneSecond(window);
  EXPECT_LT(passes, 100000) << "the loop spun without waiting";
  EXPECT_EQ(repaints, 0);
  EXPECT_NEAR((double)manualClockWaits(), 60.0, 2.0) << "one wait for each frame slot";

  // Restored, it is painted at 60 a second again.
  ShowWindow(hwnd, SW_RESTORE);
  setManualClock(30000 * CLOCK_SECOND);
  runOneSecond(window);
  EXPECT_NEAR((double)repaints, 60.0, 2.0);
  DestroyWindow(hwnd);
}

TEST(Win32WindowPacing, AVisibleWindowThatGetsNoRepaintWaitsOutItsFrameSlots) {
  WindowHandle window = makeWindow("Unpainted Pacing Test");
  ASSERT_TRUE(window != 0);
  HWND hwnd = reinterpret_cast<HWND>(window);
  ASSERT_TRUE(IsWindowVisible(hwnd) && !IsIconic(hwnd));
  setManualClock(40000 * CLOCK_SECOND);
  runOneSecond(window);  // painted for a while first: its frame slots have started
  EXPECT_NEAR((double)repaints, 60.0, 2.0);

  ValidateRect(hwnd, 0);  // the repaint the last pass asked for
  setManualClock(50000 * CLOCK_SECOND);
  int passes = runOneSecond(window, true);
  EXPECT_LT(passes, 100000) << "the loop spun without waiting";
  EXPECT_EQ(repaints, 0);
  EXPECT_NEAR((double)manualClockWaits(), 60.0, 2.0) << "one wait for each frame slot";
  DestroyWindow(hwnd);
}

}  // namespace
