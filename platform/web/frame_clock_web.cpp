// The frame clock in the browser: the page's high-resolution time, and a wait that gives
// the page one animation frame (the loop runs on, unchanged, under ASYNCIFY).
#include <emscripten.h>

#include "platform/shared/frame_clock.h"
#include "platform/web/frame_clock_web.h"

namespace {

int64_t lastFrameTime = -1;  // microseconds; -1 until the first wait

}  // namespace

int64_t frameClockMicroseconds() { return (int64_t)(emscripten_get_now() * 1000.0); }

// A key arriving during the frame is taken at the next pass; the frame ends at the
// display's next refresh, which at 60 Hz or more is never later than a slot. Gives the
// time the browser gave the frame.
EM_ASYNC_JS(double, awaitAnimationFrame, (), {
  return await new Promise((resolve) => requestAnimationFrame((time) => resolve(time)));
});

void frameClockWaitForInput(int64_t) { lastFrameTime = (int64_t)(awaitAnimationFrame() * 1000.0); }

int64_t frameClockLastFrameMicroseconds() { return lastFrameTime; }
