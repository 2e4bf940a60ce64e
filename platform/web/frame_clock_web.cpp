// The frame clock in the browser: the page's high-resolution time, and a wait that gives
// the page one animation frame (the loop runs on, unchanged, under ASYNCIFY).
#include <emscripten.h>

#include "platform/shared/frame_clock.h"

int64_t frameClockMicroseconds() { return (int64_t)(emscripten_get_now() * 1000.0); }

// A key arriving during the frame is taken at the next pass; the frame ends at the
// display's next refresh, which at 60 Hz or more is never later than a slot.
EM_ASYNC_JS(void, awaitAnimationFrame, (), {
  await new Promise((resolve) => requestAnimationFrame(() => resolve()));
});

void frameClockWaitForInput(int64_t) { awaitAnimationFrame(); }
