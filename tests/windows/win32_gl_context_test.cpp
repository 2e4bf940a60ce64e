// The GL context layer on Wine's real WGL: a context made current swaps without waiting for
// the display's refresh, so a 50 Hz display cannot hold the match below 60 steps a second.
// (Wine on Xvfb never waits in a swap, so the pace itself cannot show it: the interval can.)
#include <gtest/gtest.h>

#include "tests/support/gl_test_window.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

TEST(Win32GlContext, MadeCurrentSwapsWithoutWaitingForTheRefresh) {
  GlTestWindow gl;
  ASSERT_TRUE(openGlTestWindow(&gl));
  typedef int(WINAPI * GetSwapInterval)();
  PROC proc = wglGetProcAddress("wglGetSwapIntervalEXT");
  GetSwapInterval swapInterval =
      reinterpret_cast<GetSwapInterval>(reinterpret_cast<void (*)()>(proc));
  ASSERT_NE(swapInterval, nullptr) << "Wine's WGL offers no WGL_EXT_swap_control here";
  EXPECT_EQ(swapInterval(), 0);
}
