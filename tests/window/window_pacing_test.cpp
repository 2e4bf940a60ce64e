// The window layer hands out repaints at 60 a second whatever the display does: a swap that
// waits for a 60, 75, 144 or 240 Hz refresh, or one that returns at once, and a slow frame
// is followed by one late repaint, not a burst. The clock is moved by hand; the window and
// its queue are real, on a private display.
#include <gtest/gtest.h>

#include <vector>

#include "platform/window.h"
#include "tests/doubles/manual_frame_clock.h"

namespace {


int refreshHz = 0;                 // 0: the swap returns at once
int64_t frameCost = 2000;          // drawing one frame, in microseconds
int64_t slowFrameCost = 0;         // the cost of the one slow frame, when set
int slowFrameAt = -1;              // which repaint is slow
std::vector<int64_t> paintTimes;

// Draws a "frame": the drawing cost, then a swap that waits for the next refresh.
intptr_t pacedProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != WM_PAINT) return defaultWindowProc(window, message, wParam, lParam);
  int64_t now = manualClockNow();
  paintTimes.push_back(now);
  int64_t cost = (int)paintTimes.size() - 1 == slowFrameAt ? slowFrameCost : frameCost;
  int64_t done = now + cost;
  if (refreshHz > 0) {
    int64_t period = CLOCK_SECOND / refreshHz;
    done = (done / period + 1) * period;  // the swap returns at the next refresh
  }
  setManualClock(done);
  return 1;
}

WindowHandle theWindow() {
  static WindowHandle window = 0;
  if (!window && openDesktop()) {
    WindowClass cls = {"Pacing Test", pacedProc};
    if (registerWindowClass(&cls)) window = createWindow("Pacing Test", "pacing", 640, 480);
    // Windows paints only windows that show, as the game's does once its graphics are up.
    if (window) showWindow(window);
  }
  return window;
}

// The main loop's passes for `seconds` of clock time, from a fresh pacing grid.
void runLoop(WindowHandle window, int seconds) {
  paintTimes.clear();
  WindowMessage m;
  int64_t end = manualClockNow() + seconds * CLOCK_SECOND;
  for (int pass = 0; pass < 1000000 && manualClockNow() < end; pass++) {
    if (peekMessage(&m) && m.message != WM_QUIT) dispatchMessage(&m);
    invalidateWindow(window);
  }
}

TEST(WindowPacing, SixtyRepaintsASecondOnEveryDisplay) {
  WindowHandle window = theWindow();
  ASSERT_TRUE(window != 0) << "no window on the test display";
  const int rates[] = {60, 75, 144, 240, 0};
  int64_t start = 1000 * CLOCK_SECOND;
  for (int hz : rates) {
    refreshHz = hz;
    start += 100 * CLOCK_SECOND;  // well past the last run's grid
    setManualClock(start);
    runLoop(window, 10);
    // The first repaint starts the grid; 10 s hold 600 slots after it.
    EXPECT_NEAR((double)paintTimes.size(), 601.0, 1.0) << hz << " Hz";
    for (size_t i = 1; i < paintTimes.size(); i++) {
      ASSERT_GE(paintTimes[i] - paintTimes[i - 1], CLOCK_SECOND / 60 - 1) << hz << " Hz, repaint " << i;
    }
  }
  refreshHz = 0;
}

TEST(WindowPacing, ASlowFrameIsFollowedByOneLateStepNotABurst) {
  WindowHandle window = theWindow();
  ASSERT_TRUE(window != 0) << "no window on the test display";
  refreshHz = 0;
  slowFrameAt = 10;
  slowFrameCost = 40000;  // two and a bit frame slots
  setManualClock(5000 * CLOCK_SECOND);
  runLoop(window, 1);
  slowFrameAt = -1;
  ASSERT_GT(paintTimes.size(), 14u);
  // Repaint 5 lies on the grid of slots (the first may not: it ends a long pause). Slots
  // are 1/60 s apart to the microsecond, hence the few microseconds of leeway.
  const int64_t slot = CLOCK_SECOND / 60;
  int64_t grid5 = paintTimes[5];
  EXPECT_NEAR((double)paintTimes[10], (double)(grid5 + 5 * slot), 5.0);
  EXPECT_EQ(paintTimes[11], paintTimes[10] + 40000) << "the late step comes as the frame ends";
  // 40 ms cover the slots at +1 and +2; the grid goes on at +3, with no second step to
  // make up for the lost ones.
  EXPECT_NEAR((double)paintTimes[12], (double)(paintTimes[10] + 3 * slot), 5.0);
  EXPECT_NEAR((double)paintTimes[13], (double)(paintTimes[10] + 4 * slot), 5.0);
}

}  // namespace
