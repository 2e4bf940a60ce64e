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
  if (!registerWindowClass(&windowClass)) return 0;
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
  // There is no multimedia timer service here, and nothing in the game depends on its
  // periodic timer, so it is neither started nor stopped.

  int exitCode = runMainLoop();

  soundShutdown();
  shutdownGraphics();
  return exitCode;
}
