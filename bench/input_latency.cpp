// Input-to-picture latency of the real game: its own gameMain, message pump and frame
// pacer, on a private X server. A harness thread presses keys through XTest, as a keyboard
// would reach the X server; the time runs from just before the press is sent to the return
// of the buffer swap of the first frame whose pixels show the press (V: the next camera,
// which moves a large part of the picture at once). The swap is wrapped at link time (-Wl,--wrap) to read
// the frame back after each swap, and the dispatch of messages to note when the key reached
// the window procedure: the game's code is unchanged.
// Usage: vask_bench_input_latency   (in data/, on a display; VASK_LATENCY_PRESSES, default 50,
// sets the presses). Prints one line per press, "press <n> <to dispatch ms> <to shown ms>",
// then a summary line.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <SDL_syswm.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "audio/game_window.h"
#include "platform/gl_context.h"
#include "platform/opengl.h"
#include "platform/sdl/window_sdl_internal.h"
#include "platform/shared/scaled_frame.h"
#include "platform/window.h"
#include "sim/ui_state.h"

namespace {

const int FRAME_PIXELS = GAME_FRAME_WIDTH * GAME_FRAME_HEIGHT;
// A pixel counts as changed when a channel moves by more than this (dithering and the
// rounding of a moving floor stay below it).
const int CHANNEL_STEP = 24;
// A camera change repaints 8 to 38 % of the picture (the floor and sky are plain, so the
// rider, its wall and the horizon make the difference); riding on changes under 1 %.
const double VIEW_CHANGE_SHARE = 0.02;
const int64_t GIVE_UP_NS = 1000000000;  // a press not seen within a second counts as lost

int64_t nowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (int64_t)t.tv_sec * 1000000000LL + t.tv_nsec;
}

// Shared between the harness thread and the game's thread.
std::atomic<unsigned long> gameWindowId{0};  // the X window, once the first frame is shown
std::atomic<long> framesShown{0};
std::atomic<int> inPlay{0};
std::atomic<int64_t> pressSentAt{0};       // non-zero while a press waits to be seen
std::atomic<int64_t> pressDispatchedAt{0};
std::atomic<int64_t> pressShownAt{0};

std::atomic<double> largestOtherChange{0.0};  // the largest change of a frame with no press waiting
std::atomic<double> smallestViewChange{1.0};  // the smallest change of a frame taken as a press shown
std::atomic<long> otherBigChanges{0};         // frames past the share with no camera change

// The game's thread only.
uint8_t frames[2][FRAME_PIXELS * 4];
int current = 0;
int lastViewMode = -1;

double changedShare(const uint8_t* a, const uint8_t* b) {
  long changed = 0;
  for (int i = 0; i < FRAME_PIXELS; ++i, a += 4, b += 4)
    if (abs(a[0] - b[0]) > CHANNEL_STEP || abs(a[1] - b[1]) > CHANNEL_STEP ||
        abs(a[2] - b[2]) > CHANNEL_STEP)
      ++changed;
  return (double)changed / FRAME_PIXELS;
}

void noteWindow() {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (gameWindowId.load() == 0 && SDL_GetWindowWMInfo(sdlWindowOf(mainWindow), &info) &&
      info.subsystem == SDL_SYSWM_X11)
    gameWindowId.store((unsigned long)info.info.x11.window);
}

// After a shown frame: reads the game's 640 by 480 picture (off-screen, in a window of
// another size; else the window's back buffer, which Mesa's software renderer keeps through
// the swap: its front buffer is read back from the X server, slowly and not always current)
// and compares it with the frame before.
void frameShown(int64_t shownAt) {
  noteWindow();
  if (!scaledFrameOffscreen()) glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, GAME_FRAME_WIDTH, GAME_FRAME_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, frames[current]);
  int view = viewMode;
  if (framesShown.load() > 0 && inPlay.load()) {
    double share = changedShare(frames[current], frames[current ^ 1]);
    // The pixels decide; the game's own camera number only keeps a jump of the picture
    // that is not the press (a respawn) from being taken for it.
    if (pressSentAt.load() != 0 && pressShownAt.load() == 0 && share >= VIEW_CHANGE_SHARE &&
        view != lastViewMode) {
      pressShownAt.store(shownAt);
      smallestViewChange.store(std::min(smallestViewChange.load(), share));
    } else if (share >= VIEW_CHANGE_SHARE) {
      otherBigChanges.fetch_add(1);  // a respawn's jump, say: not taken for the press
    } else if (pressSentAt.load() == 0) {
      largestOtherChange.store(std::max(largestOtherChange.load(), share));
    }
  }
  lastViewMode = view;
  current ^= 1;
  framesShown.fetch_add(1);
}

void pause(int64_t ns) {
  timespec t = {(time_t)(ns / 1000000000), (long)(ns % 1000000000)};
  nanosleep(&t, 0);
}

int waitFor(const std::atomic<int64_t>& value, int64_t since) {
  while (value.load() == 0) {
    if (nowNs() - since > GIVE_UP_NS) return 0;
    pause(200000);
  }
  return 1;
}

void tap(Display* display, KeySym key) {
  KeyCode code = XKeysymToKeycode(display, key);
  XTestFakeKeyEvent(display, code, True, CurrentTime);
  XTestFakeKeyEvent(display, code, False, CurrentTime);
  XFlush(display);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long pressesWanted = 50;

// The harness: waits for the title, starts play with F8, then presses V the wanted number
// of times, each at an irregular moment against the frame slots, and ends the game with
// Escape.
void* harness(void*) {
  Display* display = XOpenDisplay(0);
  int event = 0, error = 0, major = 0, minor = 0;
  if (!display || !XTestQueryExtension(display, &event, &error, &major, &minor)) {
    fprintf(stderr, "input latency: no XTest on the display\n");
    exit(1);
  }
  while (gameWindowId.load() == 0 || framesShown.load() < 1) pause(10000000);
  XSetInputFocus(display, (Window)gameWindowId.load(), RevertToPointerRoot, CurrentTime);
  XSync(display, False);
  pause(300000000);
  tap(display, XK_F8);
  pause(300000000);
  inPlay.store(1);
  pause(500000000);

  std::vector<double> toDispatch, toShown;
  long lost = 0;
  uint32_t seed = 12345;
  for (long n = 1; n <= pressesWanted; ++n) {
    // 150 to 350 ms apart, at no fixed phase of the 60-a-second grid.
    seed = seed * 1664525u + 1013904223u;
    pause(150000000 + (int64_t)(seed >> 8) % 200000000);
    pressDispatchedAt.store(0);
    pressShownAt.store(0);
    int64_t sent = nowNs();
    pressSentAt.store(sent);
    tap(display, XK_v);
    int seen = waitFor(pressShownAt, sent);
    waitFor(pressDispatchedAt, sent);
    pressSentAt.store(0);
    if (!seen) {
      ++lost;
      printf("press %ld lost\n", n);
      continue;
    }
    double dispatched = (pressDispatchedAt.load() - sent) / 1e6;
    double shown = (pressShownAt.load() - sent) / 1e6;
    toDispatch.push_back(dispatched);
    toShown.push_back(shown);
    printf("press %ld %.2f %.2f\n", n, dispatched, shown);
  }
  double worst = toShown.empty() ? 0.0 : *std::max_element(toShown.begin(), toShown.end());
  double worstDispatch = toDispatch.empty() ? 0.0 : *std::max_element(toDispatch.begin(), toDispatch.end());
  printf("summary presses %zu lost %ld median %.2f worst %.2f dispatch_median %.2f dispatch_worst %.2f "
         "smallest_view_change %.3f largest_other_change %.3f other_big_changes %ld\n",
         toShown.size(), lost, median(toShown), worst, median(toDispatch), worstDispatch,
         smallestViewChange.load(), largestOtherChange.load(), otherBigChanges.load());
  fflush(stdout);
  if ((long)toShown.size() * 2 < pressesWanted) {
    // The presses never showed: a figure from the few that did would say nothing.
    fprintf(stderr, "input latency: only %zu of %ld presses were seen on screen\n", toShown.size(),
            pressesWanted);
    _exit(1);
  }
  tap(display, XK_Escape);  // a key with no command ends the game
  XCloseDisplay(display);
  return 0;
}

}  // namespace

extern "C" {
void __real__Z11swapBuffersP21PlatformDeviceContext(DeviceContext dc);
void __wrap__Z11swapBuffersP21PlatformDeviceContext(DeviceContext dc) {
  __real__Z11swapBuffersP21PlatformDeviceContext(dc);
  frameShown(nowNs());
}

intptr_t __real__Z15dispatchMessagePK13WindowMessage(const WindowMessage* message);
intptr_t __wrap__Z15dispatchMessagePK13WindowMessage(const WindowMessage* message) {
  if (message->message == WM_KEYDOWN && message->wParam == 'V' && pressSentAt.load() != 0 &&
      pressDispatchedAt.load() == 0)
    pressDispatchedAt.store(nowNs());
  return __real__Z15dispatchMessagePK13WindowMessage(message);
}

void __real__Z9showTitlev();
// The title is the first thing shown: the harness starts with it.
void __wrap__Z9showTitlev() {
  static int started = 0;
  if (!started) {
    started = 1;
    if (const char* n = getenv("VASK_LATENCY_PRESSES")) pressesWanted = std::max(1L, atol(n));
    pthread_t thread;
    pthread_create(&thread, 0, harness, 0);
    pthread_detach(thread);
  }
  __real__Z9showTitlev();
}
}
