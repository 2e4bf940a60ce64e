// The multimedia timer layer on SDL2's timers. SDL has no resolution to ask for: its timers
// are as fine as the system's, so any resolution is granted.
#include <SDL.h>
#include <atomic>
#include "platform/multimedia_timer.h"

namespace {

enum { MAX_TIMERS = 4 };

struct TimerEntry {
  SDL_TimerID sdl;
  std::atomic<TimerCallback> callback;
  std::atomic<int> running;  // ticks inside forwardTick now
  uintptr_t user;
  uint32_t delay;
  uint32_t flags;
};
TimerEntry timers[MAX_TIMERS];  // identifier i + 1 is entry i

// SDL's timer thread may be about to call a tick when the game kills the timer: the tick
// counts itself in before it reads the callback, once, and the kill clears the callback
// before it waits for the count to fall to 0, so one of the two always sees the other.
Uint32 forwardTick(Uint32, void* param) {
  TimerEntry* entry = static_cast<TimerEntry*>(param);
  entry->running++;
  TimerCallback callback = entry->callback.load();
  if (callback) callback((TimerId)(entry - timers) + 1, 0, entry->user, 0, 0);
  entry->running--;
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
    entry.user = user;
    entry.delay = delay;
    entry.flags = flags;
    entry.callback = callback;
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
  while (entry.running) SDL_Delay(1);  // a tick under way finishes before the kill returns
  return TIMERR_NOERROR;
}
