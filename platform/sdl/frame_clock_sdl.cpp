// The frame clock on SDL2: the performance counter, and a wait that ends at the first event.
#include <SDL.h>
#include "platform/shared/frame_clock.h"

int64_t frameClockMicroseconds() {
  static const Uint64 frequency = SDL_GetPerformanceFrequency();
  Uint64 ticks = SDL_GetPerformanceCounter();
  // Whole seconds and the remainder apart, so the product cannot overflow.
  return (int64_t)(ticks / frequency) * 1000000 +
         (int64_t)((ticks % frequency) * 1000000 / frequency);
}

void frameClockWaitForInput(int64_t microseconds) {
  if (microseconds <= 0) return;
  // Milliseconds rounded up: waking a little late costs nothing, waking early spins.
  int64_t ms = (microseconds + 999) / 1000;
  SDL_WaitEventTimeout(0, (int)(ms > 1000 ? 1000 : ms));
}
