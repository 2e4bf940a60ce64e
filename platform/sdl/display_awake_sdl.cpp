// The screen saver follows the frames shown (see display_awake_sdl.h).
#include "platform/sdl/display_awake_sdl.h"

#include <SDL.h>
#include <stdint.h>
#include "platform/shared/frame_clock.h"

namespace {

// Longer than any pause between two frames of a match on a loaded machine; short against
// the minutes before a screen saver starts.
const int64_t RUNNING_WITHIN = 2000000;  // microseconds

int64_t lastFrameAt = 0;
int framesShown = 0;

}  // namespace

void noteFrameShown() {
  lastFrameAt = frameClockMicroseconds();
  framesShown = 1;
}

void keepDisplayAwakeWhileRunning() {
  if ((SDL_WasInit(SDL_INIT_VIDEO) & SDL_INIT_VIDEO) == 0) return;
  const int running = framesShown && frameClockMicroseconds() - lastFrameAt < RUNNING_WITHIN;
  const int awake = !SDL_IsScreenSaverEnabled();
  if (running && !awake) SDL_DisableScreenSaver();
  if (!running && awake) SDL_EnableScreenSaver();
}
