// The multimedia timer layer in the browser: the page's interval timers, which run on the
// page's event loop between the game's frames. Any resolution is granted: none can be asked.
#include <emscripten.h>
#include <emscripten/eventloop.h>

#include "platform/multimedia_timer.h"

// The page's timers running for the game, each of which holds the whole program: however
// the game ends, they stop with it, not only when the game kills them.
EM_JS(void, pageTimerRuns, (long page, int periodic), {
  if (!Module.vaskTimers) {
    const timers = Module.vaskTimers = new Map();
    (Module.vaskAtEnd || []).push(() => {
      timers.forEach((repeats, id) => (repeats ? clearInterval(id) : clearTimeout(id)));
      timers.clear();
    });
  }
  Module.vaskTimers.set(page, periodic);
});

EM_JS(void, pageTimerStopped, (long page), {
  if (Module.vaskTimers) Module.vaskTimers.delete(page);
});

namespace {

enum { MAX_TIMERS = 4 };

struct TimerEntry {
  long page;  // the page's timer, while one runs
  TimerCallback callback;
  uintptr_t user;
  uint32_t flags;
};
TimerEntry timers[MAX_TIMERS];  // identifier i + 1 is entry i

void forwardTick(void* param) {
  TimerEntry* entry = static_cast<TimerEntry*>(param);
  if (!entry->callback) return;
  TimerCallback callback = entry->callback;
  TimerId id = (TimerId)(entry - timers) + 1;
  if (!(entry->flags & TIME_PERIODIC)) {  // a one-shot timer is done
    entry->callback = 0;
    pageTimerStopped(entry->page);
  }
  callback(id, 0, entry->user, 0, 0);
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
  for (int i = 0; i < MAX_TIMERS; i++) {
    TimerEntry& entry = timers[i];
    if (entry.callback) continue;
    entry.callback = callback;
    entry.user = user;
    entry.flags = flags;
    entry.page = (flags & TIME_PERIODIC) ? emscripten_set_interval(forwardTick, delay, &entry)
                                         : emscripten_set_timeout(forwardTick, delay, &entry);
    pageTimerRuns(entry.page, (flags & TIME_PERIODIC) != 0);
    return (TimerId)i + 1;
  }
  return 0;
}

uint32_t timerKillEvent(TimerId id) {
  if (id == 0 || id > MAX_TIMERS || !timers[id - 1].callback) return TIMERR_NOCANDO;
  TimerEntry& entry = timers[id - 1];
  if (entry.flags & TIME_PERIODIC) emscripten_clear_interval(entry.page);
  else emscripten_clear_timeout(entry.page);
  pageTimerStopped(entry.page);
  entry.callback = 0;
  return TIMERR_NOERROR;
}
