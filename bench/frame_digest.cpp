// Proof that a drawing change leaves the picture alone: runs FRAMES frames of the same
// seeded attract-mode match and prints a digest of the shown picture after every frame
// ("frame <n> <digest>"). Two builds that draw the same print the same lines. The
// buffer swap is wrapped at link time (-Wl,--wrap) so the back buffer is read just before
// it is shown. After the attract-mode frames come as many frames of play through the
// window procedure, in each of the four views in turn, with rider 0 turning and looking
// about, so every camera is covered.
// Usage: vask_bench_frame_digest FRAMES   (on a display)
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "bench/game_setup.h"
#include "platform/gl_context.h"
#include "platform/opengl.h"
#include "platform/shared/scaled_frame.h"
#include "platform/window.h"
#include "audio/game_window.h"
#include "app/window_proc.h"
#include "sim/ui_state.h"

namespace {
uint8_t pixels[640 * 480 * 4];
uint64_t lastDigest = 0;

// FNV-1a over the 640 by 480 frame the game drew (off-screen, where the driver can).
uint64_t digestBackBuffer() {
  if (!scaledFrameOffscreen()) glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  uint64_t h = 1469598103934665603ULL;
  for (size_t i = 0; i < sizeof pixels; ++i) {
    h ^= pixels[i];
    h *= 1099511628211ULL;
  }
  return h;
}
}  // namespace

extern "C" {
void __real__Z11swapBuffersP21PlatformDeviceContext(DeviceContext dc);
void __wrap__Z11swapBuffersP21PlatformDeviceContext(DeviceContext dc) {
  lastDigest = digestBackBuffer();
  __real__Z11swapBuffersP21PlatformDeviceContext(dc);
}
}

int main(int argc, char** argv) {
  long frames = argc > 1 ? atol(argv[1]) : 1000;
  if (frames < 1) frames = 1000;
  if (!bringUpGame()) return 1;
  startAttractMode();
  for (long f = 1; f <= frames; ++f) {
    drawGameFrame();
    runLoopChores();
    printf("frame %ld %016llx\n", f, (unsigned long long)lastDigest);
  }
  demoActive = 0;  // the tour has no key of its own to end it; play goes on from here
  const long viewLength = frames / 4 > 0 ? frames / 4 : 1;
  for (long f = 1; f <= frames; ++f) {
    if (f % viewLength == 0) windowProc(mainWindow, WM_KEYDOWN, 'V', 0);
    if (f % 41 == 0) windowProc(mainWindow, WM_KEYDOWN, (f / 41) % 2 ? VK_LEFT : VK_RIGHT, 0);
    if (f % 97 == 0) windowProc(mainWindow, WM_KEYDOWN, "ZXC"[(f / 97) % 3], 0);
    if (f % 97 == 30) windowProc(mainWindow, WM_KEYUP, 'Z', 0);
    drawGameFrame();
    runLoopChores();
    printf("play %ld %016llx\n", f, (unsigned long long)lastDigest);
  }
  takeDownGame();
  return 0;
}
