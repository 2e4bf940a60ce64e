// The start-up order, its failure exits, the main loop's passes and the shutdown, against
// logging doubles of every subsystem.
#include <gtest/gtest.h>
#include <string.h>
#include <time.h>

#include "app/window_proc.h"
#include "audio/game_window.h"
#include "call_log.h"
#include "platform/multimedia_timer.h"
#include "sim/ui_state.h"
#include "startup_doubles.h"

void resetStartupDoubles();

namespace {

const char* const STARTUP =
    "seedRandom registerWindowClass createWindow readMatchFile soundInit buildArena "
    "resetMatch seedRandom startMusic initGraphics showTitle timerBeginPeriod timerSetEvent";
const char* const SHUTDOWN = " timerKillEvent timerEndPeriod soundShutdown shutdownGraphics";

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    callLog.clear();
    startupScript = StartupScript();
    resetStartupDoubles();
    mainWindow = 0;
    demoActive = 0;
  }
};

TEST_F(StartupTest, StartsInOrderRunsTheLoopAndShutsDown) {
  startupScript.messages = {WindowMessage{(WindowHandle)0x7a5c, WM_KEYDOWN, 'G', 1},
                            WindowMessage{0, 0, 0, 0}};
  time_t before = time(0);
  int exitCode = gameMain(0);
  time_t after = time(0);
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(loggedNames(),
            std::string(STARTUP) +
                " placeEngineSounds peekMessage translateMessage dispatchMessage invalidateWindow"
                " placeEngineSounds peekMessage invalidateWindow"
                " placeEngineSounds peekMessage" + SHUTDOWN);

  // Both seeds are the calendar time in seconds.
  for (const LoggedCall& call : callLog) {
    if (call.name != "seedRandom") continue;
    EXPECT_GE(call.a, (intptr_t)(uint32_t)before);
    EXPECT_LE(call.a, (intptr_t)(uint32_t)after);
  }
  EXPECT_STREQ(registeredClass.className, "Vask Light Cycles");
  EXPECT_TRUE(registeredClass.windowProc == windowProc);
  const LoggedCall& create = callLog[2];
  EXPECT_EQ(create.text, "Vask Light Cycles|Vask Light Cycles by Velmor");
  EXPECT_EQ(create.a, 640);
  EXPECT_EQ(create.b, 480);

  // The window is stored before anything else runs and handed to the graphics.
  EXPECT_EQ(mainWindowAtMatchFile, (WindowHandle)0x7a5c);
  EXPECT_EQ(mainWindow, (WindowHandle)0x7a5c);
  EXPECT_EQ(callLog[9].a, (intptr_t)0x7a5c);
  for (const LoggedCall& call : callLog) {
    if (call.name == "invalidateWindow") {
      EXPECT_EQ(call.a, (intptr_t)0x7a5c);
    }
  }
  EXPECT_EQ(callLog[15].a, (intptr_t)WM_KEYDOWN);
  EXPECT_EQ(callLog[16].b, (intptr_t)'G');

  // A 1 ms resolution, then a periodic timer of 25 ms at 1 ms with a callback; shutdown
  // kills that timer and ends the same resolution.
  EXPECT_EQ(callLog[11].a, 1);
  EXPECT_EQ(callLog[12].a, 25);
  EXPECT_EQ(callLog[12].b, 1);
  EXPECT_EQ(callLog[12].c, (intptr_t)TIME_PERIODIC);
  EXPECT_EQ(callLog[12].d, 1);
  EXPECT_EQ(callLog[callLog.size() - 4].a, 0x51);
  EXPECT_EQ(callLog[callLog.size() - 3].a, 1);
}

TEST_F(StartupTest, RefusedTimerResolutionShowsTimerFailedAndGoesOn) {
  startupScript.timerPeriodResult = TIMERR_NOCANDO;
  EXPECT_EQ(gameMain(0), 0);
  EXPECT_EQ(loggedNames(), std::string(STARTUP).insert(strlen(STARTUP) - strlen(" timerSetEvent"),
                                                       " messageBox") +
                               " placeEngineSounds peekMessage" + SHUTDOWN);
  const LoggedCall& box = callLog[12];
  EXPECT_EQ(box.text, "Timer failed");
  EXPECT_EQ(box.a, (intptr_t)0x7a5c) << "owned by the game's window";
  EXPECT_EQ(box.b, (intptr_t)MB_OK);
  EXPECT_EQ(box.c, 0) << "no caption of its own";
}

TEST_F(StartupTest, TimerThatCannotBeCreatedShowsTimerFailedAndGoesOn) {
  startupScript.timerIdResult = 0;
  EXPECT_EQ(gameMain(0), 0);
  EXPECT_EQ(loggedNames(), std::string(STARTUP) + " messageBox placeEngineSounds peekMessage" +
                               SHUTDOWN);
  const LoggedCall& box = callLog[13];
  EXPECT_EQ(box.text, "Timer failed");
  EXPECT_EQ(box.a, (intptr_t)0x7a5c) << "owned by the game's window";
  EXPECT_EQ(box.c, 0) << "no caption of its own";
}

TEST_F(StartupTest, TheQuitCodeIsTheExitCode) {
  startupScript.messages = {WindowMessage{0, WM_QUIT, 3, 0}};
  EXPECT_EQ(gameMain(0), 3);
  EXPECT_EQ(loggedCount("dispatchMessage"), 0) << "the quit message is not dispatched";
  EXPECT_EQ(loggedNames(), std::string(STARTUP) + " placeEngineSounds peekMessage" + SHUTDOWN);
}

TEST_F(StartupTest, AttractModePlacesTheSoundsAroundTheTouringCamera) {
  startupScript.messages = {WindowMessage{(WindowHandle)0x7a5c, WM_KEYDOWN, 'D', 1},
                            WindowMessage{0, 0, 0, 0}};
  startupScript.demoOnDispatch = 1;
  EXPECT_EQ(gameMain(0), 0);
  EXPECT_EQ(loggedNames(),
            std::string(STARTUP) +
                " placeEngineSounds peekMessage translateMessage dispatchMessage invalidateWindow"
                " placeAttractSounds peekMessage invalidateWindow"
                " placeAttractSounds peekMessage" + SHUTDOWN);
}

TEST_F(StartupTest, UnregisteredClassEndsWithOneAtOnce) {
  startupScript.registerResult = 0;
  EXPECT_EQ(gameMain(0), 1);
  EXPECT_EQ(loggedNames(), "seedRandom registerWindowClass");
}

TEST_F(StartupTest, NoWindowEndsWithOne) {
  startupScript.createdWindow = 0;
  EXPECT_EQ(gameMain(0), 1);
  EXPECT_EQ(loggedNames(), "seedRandom registerWindowClass createWindow");
}

TEST_F(StartupTest, MissingModelEndsWithOneBeforeTheMatchAndGraphics) {
  startupScript.buildArenaResult = 0;
  EXPECT_EQ(gameMain(0), 1);
  EXPECT_EQ(loggedNames(),
            "seedRandom registerWindowClass createWindow readMatchFile soundInit buildArena");
}

TEST_F(StartupTest, GraphicsFailureShowsTheMessageReleasesGraphicsAndEndsWithOne) {
  startupScript.initGraphicsResult = 0;
  EXPECT_EQ(gameMain(0), 1);
  EXPECT_EQ(loggedNames(),
            "seedRandom registerWindowClass createWindow readMatchFile soundInit buildArena "
            "resetMatch seedRandom startMusic initGraphics messageBox shutdownGraphics");
  const LoggedCall& box = callLog[10];
  EXPECT_EQ(box.text, "This program will not work with your system");
  EXPECT_EQ(box.a, 0) << "no owner window";
  EXPECT_EQ(box.b, (intptr_t)MB_OK);
  EXPECT_EQ(box.c, 0) << "no caption of its own";
}

}  // namespace
