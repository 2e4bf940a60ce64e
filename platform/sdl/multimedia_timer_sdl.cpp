// The multimedia timer layer on SDL2's timers. SDL has no resolution to ask for: its timers
// are as fine as the system's, so any resolution is granted.
#include <SDL.h>
#include "platform/multimedia_timer.h"

namespace {

enum { MAX_TIMERS = 4 };

struct TimerEntry {
  SDL_TimerID sdl;
  TimerCallback callback;
  uintptr_t user;
  uint32_t delay;
  uint32_t flags;
};
TimerEntry timers[MAX_TIMERS];  // identifier i + 1 is entry i

Uint32 forwardTick(Uint32, void* param) {
  TimerEntry* entry = static_cast<TimerEntry*>(param);
  entry->callback((TimerId)(entry - timers) + 1, 0, entry->user, 0, 0);
  return (entry->flags & TIME_PERIODIC) ? entry->delay : 0;
}

}  // namespace

uint32_t timerBeginPeriod(uint32_t milliseconds) {
  return milliseconds == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

uint32_t timerEndPeriod(uint32_t milliseconds) {
  return milliseconds == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}

TimerId timerSetEvent(uint32_t delay, uint32_t, TimerCallback callback, uintptr_t user,
                      uint32_t flags) {
  if (!callback || delay == 0) return 0;
  if ((SDL_WasInit(SDL_INIT_TIMER) & SDL_INIT_TIMER) == 0 && SDL_InitSubSystem(SDL_INIT_TIMER) != 0)
    return 0;
  for (int i = 0; i < MAX_TIMERS; i++) {
    TimerEntry& entry = timers[i];
    if (entry.callback) continue;
    entry.callback = callback;
    entry.user = user;
    entry.delay = delay;
    entry.flags = flags;
    entry.sdl = SDL_AddTimer(delay, forwardTick, &entry);
    if (entry.sdl == 0) {
      entry.callback = 0;
      return 0;
    }
    return (TimerId)i + 1;
  }
  return 0;
}

uint32_t timerKillEvent(TimerId id) {
  if (id == 0 || id > MAX_TIMERS || !timers[id - 1].callback) return TIMERR_NOCANDO;
  TimerEntry& entry = timers[id - 1];
  SDL_RemoveTimer(entry.sdl);
  entry.callback = 0;
  return TIMERR_NOERROR;
}
