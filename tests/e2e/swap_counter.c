/* Preloaded into the real game by the pace checks: counts the buffer swaps (one per drawn
   frame, and every frame is one step of the match) and keeps the count, as eight bytes, at
   the start of the file named by VASK_SWAP_COUNT, followed by eight more: how many of those
   swaps waited for a refresh of the display below. The game itself is not changed.

   With VASK_DISPLAY_HZ set (say 50), it also plays a display of that refresh rate and a
   driver that controls the swap interval (Xvfb's has no such control): while the interval
   is not 0, a swap waits for the display's next refresh. Drivers commonly sync by default,
   so the interval counts as 1 until the program sets one. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef void (*SwapWindow)(void* window);
typedef int (*SetSwapInterval)(int interval);

static int swapInterval = 1;

static long displayHz(void) {
  static long hz = -1;
  if (hz < 0) {
    const char* text = getenv("VASK_DISPLAY_HZ");
    hz = text ? strtol(text, 0, 10) : 0;
    if (hz < 0) hz = 0;
  }
  return hz;
}

int SDL_GL_SetSwapInterval(int interval) {
  static SetSwapInterval real = 0;
  if (!real) real = (SetSwapInterval)dlsym(RTLD_NEXT, "SDL_GL_SetSwapInterval");
  int result = real ? real(interval) : -1;
  if (displayHz() == 0) return result;
  swapInterval = interval;
  return 0;
}

/* Sleeps until the next refresh of a display running at `hz` since the clock's origin. */
static void waitForRefresh(long hz) {
  const int64_t period = 1000000000 / hz;
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  int64_t t = (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
  int64_t next = (t / period + 1) * period;
  struct timespec until = {(time_t)(next / 1000000000), (long)(next % 1000000000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, 0) == EINTR) {
  }
}

void SDL_GL_SwapWindow(void* window) {
  static SwapWindow real = 0;
  static int fd = -2;
  static uint64_t counts[2] = {0, 0};  /* swaps, and swaps that waited for a refresh */
  if (!real) real = (SwapWindow)dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  if (fd == -2) {
    const char* path = getenv("VASK_SWAP_COUNT");
    fd = path ? open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
  }
  if (displayHz() > 0 && swapInterval != 0) {
    waitForRefresh(displayHz());
    counts[1]++;
  }
  if (real) real(window);
  counts[0]++;
  if (fd >= 0 && pwrite(fd, counts, sizeof counts, 0) != (ssize_t)sizeof counts) fd = -1;
}
