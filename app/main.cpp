// The game's entry: brings the subsystems up in order, runs the one loop that drives
// everything, and takes them down again.
#include <stdint.h>
#include <time.h>

#include "app/engine_sounds.h"
#include "app/match_file.h"
#include "app/window_proc.h"
#include "audio/game_window.h"
#include "audio/music.h"
#include "audio/sound_effects.h"
#include "platform/multimedia_timer.h"
#include "platform/window.h"
#include "render/arena.h"
#include "render/attract_mode.h"
#include "render/graphics.h"
#include "render/title.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

namespace {

const char* const CLASS_NAME = "Vask Light Cycles";
const char* const WINDOW_TITLE = "Vask Light Cycles by Velmor";

TimerId timerId = 0;  // the periodic timer, stopped at shutdown

// The periodic timer's callback runs on the timer service's thread and touches nothing.
void timerTick(TimerId, uint32_t, uintptr_t, uintptr_t, uintptr_t) {}

// Never waits: one message, or one repaint, per pass. Returns the quit code.
int runMainLoop() {
  WindowMessage message;
  for (;;) {
    if (demoActive) placeAttractSounds();
    else placeEngineSounds();
    if (peekMessage(&message)) {
      if (message.message == WM_QUIT) return (int)message.wParam;
      translateMessage(&message);
      dispatchMessage(&message);
    }
    invalidateWindow(mainWindow);
  }
}

}  // namespace

int gameMain(void*) {
  seedRandom((uint32_t)time(0));

  WindowClass windowClass = {CLASS_NAME, windowProc};
  if (!registerWindowClass(&windowClass)) return 1;  // a start-up that fails says so
  mainWindow = createWindow(CLASS_NAME, WINDOW_TITLE, 640, 480);
  if (!mainWindow) return 1;

  readMatchFile();  // before anything that counts riders
  soundInit();      // without a device every sound operation does nothing
  if (!buildArena()) return 1;  // the model reader has said why
  resetMatch();
  seedRandom((uint32_t)time(0));
  startMusic();
  if (!initGraphics(mainWindow)) {
    messageBox(0, "This program will not work with your system", 0, MB_OK);
    shutdownGraphics();
    return 1;
  }
  showTitle();
  if (timerBeginPeriod(1) != TIMERR_NOERROR) messageBox(mainWindow, "Timer failed", 0, MB_OK);
  timerId = timerSetEvent(25, 1, timerTick, 0, TIME_PERIODIC);
  if (!timerId) messageBox(mainWindow, "Timer failed", 0, MB_OK);

  int exitCode = runMainLoop();

  timerKillEvent(timerId);
  timerEndPeriod(1);
  soundShutdown();
  shutdownGraphics();
  return exitCode;
}
