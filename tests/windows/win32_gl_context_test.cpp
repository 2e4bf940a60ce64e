// The GL context layer on Wine's real WGL: a context made current swaps without waiting for
// the display's refresh, so a 50 Hz display cannot hold the match below 60 steps a second
// (Wine on Xvfb never waits in a swap, so the pace itself cannot show it: the interval
// can), but waits in full screen, where a swap that does not wait tears; and the game's
// frame is presented scaled to the window's client area.
#include <gtest/gtest.h>

#include <stdint.h>

#include <vector>

#include "platform/shared/scaled_frame.h"
#include "tests/support/gl_test_window.h"
#include "tests/support/scaled_picture.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <GL/gl.h>

#include "platform/win32/fullscreen_win32.h"

namespace {

typedef int(WINAPI* GetSwapInterval)();

GetSwapInterval swapIntervalGetter() {
  PROC proc = wglGetProcAddress("wglGetSwapIntervalEXT");
  return reinterpret_cast<GetSwapInterval>(reinterpret_cast<void (*)()>(proc));
}

TEST(Win32GlContext, MadeCurrentSwapsWithoutWaitingForTheRefresh) {
  GlTestWindow gl;
  ASSERT_TRUE(openGlTestWindow(&gl));
  GetSwapInterval swapInterval = swapIntervalGetter();
  ASSERT_NE(swapInterval, nullptr) << "Wine's WGL offers no WGL_EXT_swap_control here";
  EXPECT_EQ(swapInterval(), 0);
}

}  // namespace

// The display's refresh rate, stood in for at link time: Wine on Xvfb reports none.
int displayRefreshHz = 0;
extern "C" int __wrap__Z16monitorRefreshHzP10HMONITOR__(HMONITOR) { return displayRefreshHz; }

namespace {

// In full screen drivers flip the window that covers the monitor, and a flip that does not
// wait for the refresh tears: there swaps wait, on a display of 60 Hz or more (144 Hz
// too). Back in the window, or on a display below 60 Hz or of unknown rate, they do not.
TEST(Win32GlContext, InFullScreenSwapsWaitForARefreshOf60HzOrMore) {
  GlTestWindow gl;
  ASSERT_TRUE(openGlTestWindow(&gl));
  GetSwapInterval swapInterval = swapIntervalGetter();
  ASSERT_NE(swapInterval, nullptr) << "Wine's WGL offers no WGL_EXT_swap_control here";
  HWND window = reinterpret_cast<HWND>(gl.window);
  for (const int hertz : {60, 144, 50, 0}) {
    displayRefreshHz = hertz;
    toggleFullscreen(window);
    ASSERT_TRUE(isFullscreen(window));
    swapBuffers(gl.dc);
    EXPECT_EQ(swapInterval(), hertz >= 60 ? 1 : 0) << "in full screen at " << hertz << " Hz";
    toggleFullscreen(window);
    swapBuffers(gl.dc);
    EXPECT_EQ(swapInterval(), 0) << "back in the window from " << hertz << " Hz";
  }
}

const GLenum FRAMEBUFFER = 0x8D40, READ_FRAMEBUFFER = 0x8CA8, FRAMEBUFFER_BINDING = 0x8CA6;

typedef void(APIENTRY* BindFramebuffer)(GLenum, GLuint);

BindFramebuffer bindFramebuffer() {
  return reinterpret_cast<BindFramebuffer>(
      reinterpret_cast<void (*)()>(wglGetProcAddress("glBindFramebuffer")));
}

std::vector<uint8_t> readPixels(GLenum buffer, int width, int height) {
  glReadBuffer(buffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<uint8_t> pixels((size_t)width * height * 3);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// The game's drawing: one-pixel lines of distinct colours on black, through its 640 by 480
// viewport, into whatever the layer has bound.
void drawLines() {
  glViewport(0, 0, 640, 480);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 640, 0, 480, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glBegin(GL_LINES);
  for (int i = 0; i < 40; i++) {
    glColor3ub((GLubyte)(40 + i * 5), (GLubyte)(255 - i * 6), (GLubyte)(i * 3));
    glVertex2f(7.5f + i * 16, 0);
    glVertex2f(7.5f + i * 16, 480);
    glVertex2f(0, 3.5f + i * 12);
    glVertex2f(640, 3.5f + i * 12);
  }
  glEnd();
}

// The window's client area made width by height, then what the window's back buffer shows
// (bottom row first, RGB): after one of the game's frames and its swap, or with
// `resizeOnly` what the resize itself showed. Where the game draws off-screen the window's
// buffer is filled with magenta first, so only what was presented can match the frame.
// Mesa's software renderer keeps the back buffer through a swap (it copies), and the
// hidden window has no front buffer to read.
std::vector<uint8_t> presentedAt(const GlTestWindow& gl, int width, int height,
                                 bool resizeOnly = false) {
  HWND window = reinterpret_cast<HWND>(gl.window);
  BindFramebuffer bind = bindFramebuffer();
  GLint drawing = 0;
  glGetIntegerv(FRAMEBUFFER_BINDING, &drawing);
  if (drawing) {
    bind(FRAMEBUFFER, 0);
    glClearColor(1, 0, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    bind(FRAMEBUFFER, (GLuint)drawing);
  }
  SetWindowLongA(window, GWL_STYLE, WS_POPUP);  // as in full screen, larger than the screen
  SetWindowPos(window, 0, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, width);
  EXPECT_EQ(client.bottom, height);
  if (!resizeOnly) {
    drawLines();
    swapBuffers(gl.dc);
  }
  glGetIntegerv(FRAMEBUFFER_BINDING, &drawing);
  bind(READ_FRAMEBUFFER, 0);
  std::vector<uint8_t> pixels = readPixels(GL_BACK, width, height);
  bind(READ_FRAMEBUFFER, (GLuint)drawing);
  return pixels;
}

GLint boundFramebuffer() {
  GLint bound = -1;
  glGetIntegerv(FRAMEBUFFER_BINDING, &bound);
  return bound;
}

// The game's frame at twice the size, as a player sees it in a 1280 by 960 window, is the
// frame it drew with each pixel a 2 by 2 block: scaled, and sharp; at 125 % (800 by 600)
// it is as sharp as a scale of 1.25 can be. At 640 by 480 the game draws into the window
// itself; a resize back to it shows the last frame again with no swap of the game's, and
// the game then draws into the window again.
TEST(Win32GlContext, PresentsTheGamesFrameScaledToTheClientArea) {
  GlTestWindow gl;
  ASSERT_TRUE(openGlTestWindow(&gl));
  ASSERT_FALSE(scaledFrameOffscreen()) << "an off-screen frame at the frame's own size";
  ASSERT_EQ(boundFramebuffer(), 0);
  drawLines();
  const std::vector<uint8_t> drawn = readPixels(GL_BACK, 640, 480);
  int lit = 0;
  for (size_t i = 0; i < drawn.size(); i += 3) lit += drawn[i] || drawn[i + 1] || drawn[i + 2];
  ASSERT_GT(lit, 640 * 40) << "the drawing did not reach the window";
  const std::vector<uint8_t> small = presentedAt(gl, 640, 480);
  EXPECT_EQ(boundFramebuffer(), 0) << "the game draws off-screen at 640 by 480";
  const std::vector<uint8_t> large = presentedAt(gl, 1280, 960);
  EXPECT_TRUE(scaledFrameOffscreen()) << "the game draws into the window at 1280 by 960";
  const std::vector<uint8_t> laptop = presentedAt(gl, 800, 600);  // 125 %
  const std::vector<uint8_t> resized = presentedAt(gl, 640, 480, true);
  EXPECT_TRUE(resized == drawn) << "the resize did not show the last frame again";
  EXPECT_EQ(boundFramebuffer(), 0) << "back at 640 by 480 the game still draws off-screen";
  EXPECT_TRUE(small == drawn) << "at 640 by 480 the window does not show the frame drawn";
  EXPECT_EQ(pixelsOff(large, sharplyScaled(drawn, 640, 480, 1280, 960), 0), 0)
      << "pixels of the 1280 by 960 picture that are not their frame pixel";
  // Up to 3 of 255 for the driver's own rounding in its filtering; a plain smoothed scale
  // is some 25 off at each line.
  EXPECT_EQ(pixelsOff(laptop, sharplyScaled(drawn, 640, 480, 800, 600), 3), 0)
      << "pixels of the 800 by 600 picture off the sharp scale";
}

}  // namespace
