/* Preloaded into the real game and into xdotool by bench/room_latency.py, to time a key to
   the picture that shows it without changing either program. Both append lines to the file
   named by VASK_PROBE_LOG, stamped with the system's monotonic clock:
     - xdotool: "key NS KEYCODE" just before each key press goes to the X server (XTest);
     - the game: "frame NS SHARE" as each buffer swap returns, SHARE being the part of the
       640 by 480 picture whose pixels changed (a channel by more than 24) since the frame
       before. The picture is read from the back buffer after the swap (Mesa's software
       renderer keeps it), so the reading is outside the time measured. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#define WIDTH 640
#define HEIGHT 480
#define CHANNEL_STEP 24
#define GL_BACK 0x0405
#define GL_RGBA 0x1908
#define GL_UNSIGNED_BYTE 0x1401
#define GL_PACK_ALIGNMENT 0x0D05

typedef void (*SwapWindow)(void* window);
typedef void (*DrawableSize)(void* window, int* w, int* h);
typedef void (*ReadBuffer)(unsigned mode);
typedef void (*PixelStore)(unsigned name, int value);
typedef void (*ReadPixels)(int x, int y, int w, int h, unsigned format, unsigned type, void* data);
typedef int (*FakeKey)(void* display, unsigned keycode, int press, unsigned long delay);

static int logFd = -2;
static unsigned char frames[2][WIDTH * HEIGHT * 4];
static int current = 0;
static long shown = 0;

static int64_t nowNs(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

static void note(const char* line) {
  if (logFd == -2) {
    const char* path = getenv("VASK_PROBE_LOG");
    logFd = path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
  }
  if (logFd >= 0) (void)!write(logFd, line, strlen(line));  /* O_APPEND: whole lines */
}

int XTestFakeKeyEvent(void* display, unsigned keycode, int press, unsigned long delay) {
  static FakeKey real = 0;
  if (!real) real = (FakeKey)dlsym(RTLD_NEXT, "XTestFakeKeyEvent");
  if (press) {
    char line[64];
    snprintf(line, sizeof line, "key %lld %u\n", (long long)nowNs(), keycode);
    note(line);
  }
  return real(display, keycode, press, delay);
}

void SDL_GL_SwapWindow(void* window) {
  static SwapWindow real = 0;
  static DrawableSize size = 0;
  static ReadBuffer readBuffer = 0;
  static PixelStore pixelStore = 0;
  static ReadPixels readPixels = 0;
  if (!real) {
    real = (SwapWindow)dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
    size = (DrawableSize)dlsym(RTLD_DEFAULT, "SDL_GL_GetDrawableSize");
    readBuffer = (ReadBuffer)dlsym(RTLD_DEFAULT, "glReadBuffer");
    pixelStore = (PixelStore)dlsym(RTLD_DEFAULT, "glPixelStorei");
    readPixels = (ReadPixels)dlsym(RTLD_DEFAULT, "glReadPixels");
  }
  real(window);
  int64_t at = nowNs();
  int w = 0, h = 0;
  if (size) size(window, &w, &h);
  if (!readPixels || w < WIDTH || h < HEIGHT) return;
  readBuffer(GL_BACK);
  pixelStore(GL_PACK_ALIGNMENT, 1);
  /* The middle 640 by 480 of a window at least that large. */
  readPixels((w - WIDTH) / 2, (h - HEIGHT) / 2, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, frames[current]);
  double share = 0.0;
  if (shown > 0) {
    const unsigned char* a = frames[current];
    const unsigned char* b = frames[current ^ 1];
    long changed = 0;
    for (int i = 0; i < WIDTH * HEIGHT; ++i, a += 4, b += 4)
      if (abs(a[0] - b[0]) > CHANNEL_STEP || abs(a[1] - b[1]) > CHANNEL_STEP || abs(a[2] - b[2]) > CHANNEL_STEP)
        ++changed;
    share = (double)changed / (WIDTH * HEIGHT);
  }
  current ^= 1;
  shown++;
  char line[64];
  snprintf(line, sizeof line, "frame %lld %.4f\n", (long long)at, share);
  note(line);
}
