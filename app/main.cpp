// The game's entry: brings the subsystems up in order, runs the one loop that drives
// everything, and takes them down again.
#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include "app/command_flags.h"
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
#include "session/room_session.h"
#include "session/session.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/room_view.h"
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
    if (sessionMode == SESSION_ROOM) roomPump();
    if (roomViewChanged && titleActive) {
      roomViewChanged = 0;
      showTitle();  // the room's code and people, as they change
    }
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
  GameFlags flags;
  char why[240];
  if (!readGameFlags(&flags, why, sizeof why)) {
    fprintf(stderr, "%s\n", why);
    return 2;
  }
  if (flags.verify) return verifyReplay(flags.replay);  // no window, as fast as it runs

  const uint32_t resetSeed = (uint32_t)time(0);
  seedRandom(resetSeed);

  WindowClass windowClass = {CLASS_NAME, windowProc};
  if (!registerWindowClass(&windowClass)) return 1;  // a start-up that fails says so
  mainWindow = createWindow(CLASS_NAME, WINDOW_TITLE, 640, 480);
  if (!mainWindow) return 1;

  readMatchFile();  // before anything that counts riders
  soundInit();      // without a device every sound operation does nothing
  if (!buildArena()) return 1;  // the model reader has said why
  if (flags.replay) {
    char text[300];
    if (!startReplay(flags.replay, why, sizeof why)) {
      snprintf(text, sizeof text, "%s cannot be replayed: %s", flags.replay, why);
      messageBox(mainWindow, text, 0, MB_OK);
      return 1;
    }
  } else {
    const uint32_t runSeed = (uint32_t)time(0);
    if (flags.record) {
      startRecording(flags.record, resetSeed, runSeed);
    } else {
      resetMatch();
      seedRandom(runSeed);
    }
    if ((flags.host || flags.join) &&
        !startRoom(flags.relay ? flags.relay : DEFAULT_RELAY, flags.join, runSeed)) {
      messageBox(mainWindow, "The relay's address cannot be used", 0, MB_OK);
      return 1;
    }
    startMusic();
  }
  if (!initGraphics(mainWindow)) {
    messageBox(0, "This program will not work with your system", 0, MB_OK);
    shutdownGraphics();
    return 1;
  }
  if (flags.replay) leaveTitle(mainWindow, 0);
  else showTitle();
  if (timerBeginPeriod(1) != TIMERR_NOERROR) messageBox(mainWindow, "Timer failed", 0, MB_OK);
  timerId = timerSetEvent(25, 1, timerTick, 0, TIME_PERIODIC);
  if (!timerId) messageBox(mainWindow, "Timer failed", 0, MB_OK);

  int exitCode = runMainLoop();
  endSession();

  timerKillEvent(timerId);
  timerEndPeriod(1);
  soundShutdown();
  shutdownGraphics();
  return exitCode;
}
