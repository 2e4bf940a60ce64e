/* Preloaded into the real game by the pace checks: counts the buffer swaps (one per drawn
   frame, and every frame is one step of the match) and keeps, in the file named by
   VASK_SWAP_COUNT, three eight-byte numbers: the swaps, how many of them waited for a
   refresh of the display below, and the display's clock (nanoseconds) at the last swap.
   The game itself is not changed.

   With VASK_DISPLAY_HZ set (say 50), it also plays a display of that refresh rate and a
   driver that controls the swap interval (Xvfb's has no such control): while the interval
   is not 0, a swap waits for the display's next refresh. Drivers commonly sync by default,
   so the interval counts as 1 until the program sets one.

   With VASK_VIRTUAL_CLOCK=1 the display's clock is virtual, and it is the clock the game
   paces itself by (SDL's performance counter): it stands still while the game works and
   moves on only when the game waits, by as long as the game asked to wait (its wait for
   input comes back at once), or when a synced swap waits for a refresh. Steps counted
   against it do not depend on how fast or loaded the machine is: a pacer that keeps 60 a
   second makes 120 steps in 2 s of it, one stuck at 50 makes 100, and one that never waits
   stops the clock. */
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
typedef int (*WaitEventTimeout)(void* event, int milliseconds);
typedef uint64_t (*PerformanceCounter)(void);

static const int64_t SECOND = 1000000000;
static int swapInterval = 1;
static int64_t virtualNow = 1000000000;  /* any origin will do; the game reads differences */

static long displayHz(void) {
  static long hz = -1;
  if (hz < 0) {
    const char* text = getenv("VASK_DISPLAY_HZ");
    hz = text ? strtol(text, 0, 10) : 0;
    if (hz < 0) hz = 0;
  }
  return hz;
}

static int virtualClock(void) {
  static int on = -1;
  if (on < 0) {
    const char* text = getenv("VASK_VIRTUAL_CLOCK");
    on = text && *text == '1';
  }
  return on;
}

static int64_t displayNow(void) {
  if (virtualClock()) return __atomic_load_n(&virtualNow, __ATOMIC_SEQ_CST);
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (int64_t)now.tv_sec * SECOND + now.tv_nsec;
}

int SDL_GL_SetSwapInterval(int interval) {
  static SetSwapInterval real = 0;
  if (!real) real = (SetSwapInterval)dlsym(RTLD_NEXT, "SDL_GL_SetSwapInterval");
  int result = real ? real(interval) : -1;
  if (displayHz() == 0) return result;
  swapInterval = interval;
  return 0;
}

uint64_t SDL_GetPerformanceFrequency(void) {
  static PerformanceCounter real = 0;
  if (virtualClock()) return (uint64_t)SECOND;
  if (!real) real = (PerformanceCounter)dlsym(RTLD_NEXT, "SDL_GetPerformanceFrequency");
  return real();
}

uint64_t SDL_GetPerformanceCounter(void) {
  static PerformanceCounter real = 0;
  if (virtualClock()) return (uint64_t)displayNow();
  if (!real) real = (PerformanceCounter)dlsym(RTLD_NEXT, "SDL_GetPerformanceCounter");
  return real();
}

int SDL_WaitEventTimeout(void* event, int milliseconds) {
  static WaitEventTimeout real = 0;
  if (!real) real = (WaitEventTimeout)dlsym(RTLD_NEXT, "SDL_WaitEventTimeout");
  if (!virtualClock()) return real(event, milliseconds);
  if (milliseconds > 0) __atomic_add_fetch(&virtualNow, (int64_t)milliseconds * 1000000, __ATOMIC_SEQ_CST);
  return real(event, 0);
}

/* Waits until the next refresh of a display running at `hz` since the clock's origin. */
static void waitForRefresh(long hz) {
  const int64_t period = SECOND / hz;
  int64_t next = (displayNow() / period + 1) * period;
  if (virtualClock()) {
    __atomic_store_n(&virtualNow, next, __ATOMIC_SEQ_CST);
    return;
  }
  struct timespec until = {(time_t)(next / SECOND), (long)(next % SECOND)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, 0) == EINTR) {
  }
}

void SDL_GL_SwapWindow(void* window) {
  static SwapWindow real = 0;
  static int fd = -2;
  static uint64_t counts[3] = {0, 0, 0};  /* swaps, swaps that waited, clock at the last */
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
  counts[2] = (uint64_t)displayNow();
  if (fd >= 0 && pwrite(fd, counts, sizeof counts, 0) != (ssize_t)sizeof counts) fd = -1;
}
