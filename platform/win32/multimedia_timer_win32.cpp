// The multimedia timer layer on Windows' timer service (winmm).
#include "platform/multimedia_timer.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>

static_assert(TIMERR_NOERROR == 0 && TIMERR_NOCANDO == 97 && TIME_PERIODIC == 1,
              "the game's numbers are Windows' numbers");

namespace {

enum { MAX_TIMERS = 4 };

// The game's callback of each running timer; the service calls the one below.
struct TimerEntry {
  UINT id;
  TimerCallback callback;
  uintptr_t user;
};
TimerEntry timers[MAX_TIMERS];

// Runs on the service's thread: the entry is read once, so a kill on the game's thread
// cannot clear the callback between its test and its call.
void CALLBACK forwardTick(UINT id, UINT message, DWORD_PTR user, DWORD_PTR r1, DWORD_PTR r2) {
  const volatile TimerEntry* entry = reinterpret_cast<const volatile TimerEntry*>(user);
  if (!entry) return;
  TimerCallback callback = entry->callback;
  uintptr_t gameUser = entry->user;
  if (callback) callback(id, message, gameUser, r1, r2);
}

}  // namespace

uint32_t timerBeginPeriod(uint32_t milliseconds) { return timeBeginPeriod(milliseconds); }

uint32_t timerEndPeriod(uint32_t milliseconds) { return timeEndPeriod(milliseconds); }

TimerId timerSetEvent(uint32_t delay, uint32_t resolution, TimerCallback callback,
                      uintptr_t user, uint32_t flags) {
  TimerEntry* entry = 0;
  for (int i = 0; i < MAX_TIMERS && !entry; i++)
    if (timers[i].id == 0 && timers[i].callback == 0) entry = &timers[i];
  if (!entry || !callback) return 0;
  entry->callback = callback;
  entry->user = user;
  // Killed synchronously: once timeKillEvent returns no callback runs, and the entry can
  // be cleared and used again.
  UINT id = timeSetEvent(delay, resolution, forwardTick, reinterpret_cast<DWORD_PTR>(entry),
                         flags | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
  if (id == 0) {
    entry->callback = 0;
    return 0;
  }
  entry->id = id;
  return id;
}

uint32_t timerKillEvent(TimerId id) {
  for (int i = 0; i < MAX_TIMERS; i++) {
    if (id == 0 || timers[i].id != id) continue;
    MMRESULT result = timeKillEvent(id);
    timers[i].id = 0;
    timers[i].callback = 0;
    return result;
  }
  return TIMERR_NOCANDO;
}
