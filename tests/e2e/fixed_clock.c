/* Preloaded into the real game by the end-to-end tests: the calendar clock reads the whole
   second given in VASK_FIXED_TIME, so the game seeds its generator with it and a retry, or
   a run started by hand with the same value, plays the same match. The fraction of the
   second and every other clock are left alone; without the variable nothing changes.
   The game calls time() itself; Wine's C runtime reads the time of day through
   clock_gettime, so the same library pins the Windows program's seed too. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>

typedef int (*ClockGettime)(clockid_t clock, struct timespec* when);

static int fixedSeconds(time_t* seconds) {
  const char* text = getenv("VASK_FIXED_TIME");
  if (!text || !*text) return 0;
  *seconds = (time_t)strtoll(text, 0, 10);
  return 1;
}

time_t time(time_t* result) {
  time_t now;
  if (!fixedSeconds(&now)) {
    struct timespec when;
    clock_gettime(CLOCK_REALTIME, &when);
    now = when.tv_sec;
  }
  if (result) *result = now;
  return now;
}

int clock_gettime(clockid_t clock, struct timespec* when) {
  static ClockGettime real = 0;
  if (!real) real = (ClockGettime)dlsym(RTLD_NEXT, "clock_gettime");
  int status = real(clock, when);
  time_t seconds;
  if (status == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE) &&
      fixedSeconds(&seconds))
    when->tv_sec = seconds;
  return status;
}
