// Stand-ins for everything the start-up and the main loop call: each call is logged, and
// the results and the message queue come from the script the test sets up.
#include "call_log.h"
#include "startup_doubles.h"

#include "app/engine_sounds.h"
#include "app/match_file.h"
#include "app/window_proc.h"
#include "audio/game_window.h"
#include "audio/music.h"
#include "audio/sound_effects.h"
#include "platform/multimedia_timer.h"
#include "render/arena.h"
#include "render/attract_mode.h"
#include "render/graphics.h"
#include "render/title.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

StartupScript startupScript;
WindowClass registeredClass = {0, 0};
WindowHandle mainWindowAtMatchFile = 0;
static size_t nextMessage = 0;

void resetStartupDoubles() { nextMessage = 0; }

void seedRandom(uint32_t seed) { logCall("seedRandom", (intptr_t)seed); }

int registerWindowClass(const WindowClass* windowClass) {
  logCall("registerWindowClass", 0, 0, 0, 0, windowClass ? windowClass->className : 0);
  if (windowClass) registeredClass = *windowClass;
  return startupScript.registerResult;
}

WindowHandle createWindow(const char* className, const char* title, int width, int height) {
  logCall("createWindow", width, height, 0, 0, (std::string(className) + "|" + title).c_str());
  return startupScript.createdWindow;
}

void readMatchFile() {
  logCall("readMatchFile");
  mainWindowAtMatchFile = mainWindow;
}
void soundInit() { logCall("soundInit"); }
int buildArena() {
  logCall("buildArena");
  return startupScript.buildArenaResult;
}
void resetMatch() { logCall("resetMatch"); }
void startMusic() { logCall("startMusic"); }
int initGraphics(WindowHandle window) {
  logCall("initGraphics", (intptr_t)window);
  return startupScript.initGraphicsResult;
}
int messageBox(WindowHandle owner, const char* text, const char* caption, uint32_t type) {
  logCall("messageBox", (intptr_t)owner, (intptr_t)type, caption != 0, 0, text);
  return IDOK;
}
void shutdownGraphics() { logCall("shutdownGraphics"); }
void showTitle() { logCall("showTitle"); }
void placeAttractSounds() { logCall("placeAttractSounds"); }
void placeEngineSounds() { logCall("placeEngineSounds"); }
void soundShutdown() { logCall("soundShutdown"); }

int peekMessage(WindowMessage* message) {
  logCall("peekMessage");
  if (nextMessage >= startupScript.messages.size()) {
    *message = WindowMessage{0, WM_QUIT, 0, 0};
    return 1;
  }
  const WindowMessage& m = startupScript.messages[nextMessage++];
  if (m.message == 0) return 0;
  *message = m;
  return 1;
}

void translateMessage(const WindowMessage* message) {
  logCall("translateMessage", (intptr_t)message->message);
}

intptr_t dispatchMessage(const WindowMessage* message) {
  logCall("dispatchMessage", (intptr_t)message->message, (intptr_t)message->wParam);
  if (startupScript.demoOnDispatch) demoActive = 1;
  return 1;
}

void invalidateWindow(WindowHandle window) { logCall("invalidateWindow", (intptr_t)window); }

intptr_t windowProc(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

uint32_t timerBeginPeriod(uint32_t milliseconds) {
  logCall("timerBeginPeriod", (intptr_t)milliseconds);
  return startupScript.timerPeriodResult;
}

uint32_t timerEndPeriod(uint32_t milliseconds) {
  logCall("timerEndPeriod", (intptr_t)milliseconds);
  return 0;
}

TimerId timerSetEvent(uint32_t delay, uint32_t resolution, TimerCallback callback,
                      uintptr_t, uint32_t flags) {
  logCall("timerSetEvent", (intptr_t)delay, (intptr_t)resolution, (intptr_t)flags,
          callback != 0);
  return startupScript.timerIdResult;
}

uint32_t timerKillEvent(TimerId id) {
  logCall("timerKillEvent", (intptr_t)id);
  return 0;
}

// Started without words: offline, as these tests expect.
int commandLineCount() { return 0; }
const char* commandLineArgument(int) { return 0; }
void leaveTitle(WindowHandle, uintptr_t) { logCall("leaveTitle"); }
