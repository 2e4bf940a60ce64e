// Stand-in for the window layer calls of the window procedure: quit posts, default
// handling, repaint requests and the window rectangle, all logged, and exposures.
#include "call_log.h"
#include "window_doubles.h"
#include "platform/window.h"

WindowRect fakeWindowRect = {0, 0, 640, 480};
int fakeWindowRectResult = 1;
const intptr_t DEFAULT_PROC_RESULT = 4242;
int fakeExposures = 0;

void postQuitMessage(int exitCode) { logCall("postQuitMessage", exitCode); }

intptr_t defaultWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
  logCall("defaultWindowProc", (intptr_t)window, message, (intptr_t)wParam, lParam);
  return DEFAULT_PROC_RESULT;
}

void invalidateWindow(WindowHandle window) { logCall("invalidateWindow", (intptr_t)window); }

int getWindowRect(WindowHandle window, WindowRect* rect) {
  logCall("getWindowRect", (intptr_t)window);
  if (fakeWindowRectResult && rect) *rect = fakeWindowRect;
  return fakeWindowRectResult;
}

int windowExposed(WindowHandle) {
  if (fakeExposures <= 0) return 0;
  fakeExposures--;
  return 1;
}
