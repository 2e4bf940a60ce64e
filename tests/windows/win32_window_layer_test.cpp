// The Win32 window layer's message rules through the real Windows message queue: creation
// sends WM_CREATE before it returns and showing a WM_SIZE of the 640 by 480 client area,
// the queue is read without waiting, a repaint comes only when nothing else waits and after
// the quit message, and closing destroys the window and quits.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// The game's header first: Windows' headers then define the same numbers again.
#include "platform/window.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

std::vector<uint32_t> received;
std::vector<intptr_t> sizes;

intptr_t recordingProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  received.push_back(message);
  switch (message) {
    case WM_DESTROY:
      postQuitMessage(0);
      return 1;
    case WM_SIZE:
      sizes.push_back(lParam);
      return 1;
    case WM_PAINT:
    case WM_KEYDOWN:
    case WM_CREATE:
      return 1;
    default:
      return defaultWindowProc(window, message, wParam, lParam);
  }
}

HWND hwndOf(WindowHandle window) { return reinterpret_cast<HWND>(window); }

WindowHandle makeWindow() {
  static int registered = 0;
  if (!registered) {
    WindowClass cls = {"Win32 Layer Test", recordingProc};
    registered = registerWindowClass(&cls);
  }
  received.clear();
  sizes.clear();
  return registered ? createWindow("Win32 Layer Test", "layer test", 640, 480) : 0;
}

// The next message the main loop would take, waiting at most about a second for it.
uint32_t nextMessage(WindowMessage* m) {
  for (int pass = 0; pass < 200; pass++) {
    if (peekMessage(m)) return m->message;
    Sleep(5);
  }
  return 0;
}

TEST(Win32WindowLayer, CreationSendsCreateAndShowingTheClientSize) {
  WindowHandle window = makeWindow();
  ASSERT_TRUE(window != 0);
  EXPECT_TRUE(std::find(received.begin(), received.end(), (uint32_t)WM_CREATE) != received.end())
      << "no WM_CREATE before the window was handed back";
  // Windows sizes a window of default placement when it first shows: the size handling
  // then gets the whole 640 by 480 picture, the client area, before showWindow returns.
  sizes.clear();
  showWindow(window);
  ASSERT_FALSE(sizes.empty()) << "showing sent no WM_SIZE";
  EXPECT_EQ(sizes.back(), (intptr_t)MAKELPARAM(640, 480));
  WindowRect r = {0, 0, 0, 0};
  ASSERT_TRUE(getWindowRect(window, &r));
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_EQ(r.bottom - r.top, 480);
  DestroyWindow(hwndOf(window));
  WindowMessage m;
  while (peekMessage(&m)) dispatchMessage(&m);
}

TEST(Win32WindowLayer, WaitingMessagesAndTheQuitComeBeforeTheRepaint) {
  WindowHandle window = makeWindow();
  ASSERT_TRUE(window != 0);
  showWindow(window);
  WindowMessage m;
  // The show's own messages; a painted window then leaves the queue empty, and it is read
  // without waiting.
  for (int i = 0; i < 100 && peekMessage(&m); i++) dispatchMessage(&m);
  ValidateRect(hwndOf(window), 0);
  for (int i = 0; i < 100 && peekMessage(&m); i++) dispatchMessage(&m);
  WindowMessage none;
  EXPECT_EQ(peekMessage(&none), 0) << "a message came from an empty queue";

  invalidateWindow(window);
  PostMessageA(hwndOf(window), WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(nextMessage(&m), (uint32_t)WM_KEYDOWN) << "the repaint came before a waiting key";
  EXPECT_EQ(m.wParam, (uintptr_t)VK_LEFT);
  EXPECT_EQ(nextMessage(&m), (uint32_t)WM_PAINT) << "no repaint once nothing else waits";

  // The window stays invalid (the game never validates it): a quit still comes first, so
  // the loop ends without drawing another frame.
  postQuitMessage(0);
  EXPECT_EQ(nextMessage(&m), (uint32_t)WM_QUIT) << "a repaint came before the quit message";
  DestroyWindow(hwndOf(window));
  while (peekMessage(&m)) dispatchMessage(&m);
}

TEST(Win32WindowLayer, ClosingDestroysTheWindowAndQuitsWithZero) {
  WindowHandle window = makeWindow();
  ASSERT_TRUE(window != 0);
  showWindow(window);
  PostMessageA(hwndOf(window), WM_CLOSE, 0, 0);
  WindowMessage m;
  uint32_t got = 0;
  for (int i = 0; i < 200 && got != WM_QUIT; i++) {
    got = nextMessage(&m);
    if (got && got != WM_QUIT) dispatchMessage(&m);
  }
  ASSERT_EQ(got, (uint32_t)WM_QUIT) << "closing did not quit";
  EXPECT_EQ(m.wParam, 0u);
  EXPECT_TRUE(std::find(received.begin(), received.end(), (uint32_t)WM_DESTROY) != received.end());
  EXPECT_FALSE(IsWindow(hwndOf(window)));
}

}  // namespace
