// The frame clock on Win32: the performance counter, and a wait that ends at the first
// input for the thread's windows.
#include "platform/shared/frame_clock.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int64_t frameClockMicroseconds() {
  static LARGE_INTEGER frequency = {};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER ticks;
  QueryPerformanceCounter(&ticks);
  // Whole seconds and the remainder apart, so the product cannot overflow.
  int64_t f = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
  return ticks.QuadPart / f * 1000000 + ticks.QuadPart % f * 1000000 / f;
}

void frameClockWaitForInput(int64_t microseconds) {
  if (microseconds <= 0) return;
  // Waits end on the system's timer tick, 15.6 ms unless the program asks for finer: the
  // game asks for 1 ms through the multimedia timer layer (timerBeginPeriod) for as long
  // as its loop runs, and ends it after. A second request here would never be ended.
  // Milliseconds rounded up: waking a little late costs nothing, waking early spins.
  int64_t ms = (microseconds + 999) / 1000;
  // Every kind of input but the repaint itself: the game never marks its window as
  // painted, so a repaint is always pending and would end the wait at once. Input that
  // came before the wait, and that a look at the queue has already seen, ends it too.
  MsgWaitForMultipleObjectsEx(0, 0, (DWORD)(ms > 1000 ? 1000 : ms), QS_ALLINPUT & ~QS_PAINT,
                              MWMO_INPUTAVAILABLE);
}
