// The window procedure against logging doubles: the title key, the key table, the frame
// order, the size handling and what goes to the default handling.
#include <gtest/gtest.h>

#include "app/window_proc.h"
#include "call_log.h"
#include "doubles/recorded_sound.h"
#include "frame_doubles.h"
#include "sim/riders.h"
#include "sim/ui_state.h"
#include "window_doubles.h"

namespace {

WindowHandle const WINDOW = (WindowHandle)0x5150;

struct UiSnapshot {
  int32_t title, demo, help, look, view;
  float accel;
  bool operator==(const UiSnapshot& o) const {
    return title == o.title && demo == o.demo && help == o.help && look == o.look &&
           view == o.view && accel == o.accel;
  }
};

UiSnapshot snapshot() {
  return UiSnapshot{titleActive, demoActive, helpVisible, lookDirection, viewMode,
                    riders[0].accel};
}

class WindowProcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    titleActive = 1;
    demoActive = 0;
    helpVisible = 0;
    lookDirection = 3;
    viewMode = 0;
    riderCount = 4;
    for (Rider& r : riders) r.accel = 0.0f;
    fakeWindowRect = WindowRect{0, 0, 640, 480};
    fakeWindowRectResult = 1;
    fakeExposures = 0;
    soundCallsBeforeStopMusic = -1;
    clearLog();
  }
  void clearLog() {
    callLog.clear();
    clearRecordedSounds();
  }
  intptr_t send(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
    return windowProc(WINDOW, message, wParam, lParam);
  }
  // Leaves the title with a key and forgets what that did.
  void startPlay() {
    send(WM_KEYDOWN, 'G');
    ASSERT_EQ(titleActive, 0);
    clearLog();
  }
};

TEST_F(WindowProcTest, FirstKeyLeavesTitleStopsMusicAndStartsEngines) {
  for (int count = 2; count <= 5; count++) {
    SetUp();
    riderCount = count;
    EXPECT_EQ(send(WM_KEYDOWN, VK_LEFT), 1);
    EXPECT_EQ(titleActive, 0);
    EXPECT_EQ(demoActive, 0);
    // The arrow only left the title: no turn, and no quit.
    EXPECT_EQ(loggedNames(), "stopMusic invalidateWindow") << count << " riders";
    EXPECT_EQ(callLog.back().a, (intptr_t)WINDOW);
    EXPECT_EQ(soundCallsBeforeStopMusic, 0) << "the music stops before the engines start";

    std::vector<RecordedSound> want;
    want.push_back(RecordedSound{SOUND_OP_SET_VOLUME, 0, -600, 0, 0, 0, 0, 0, 0});
    want.push_back(RecordedSound{SOUND_OP_PLAY, 0, 0, 0, 0, 0, 0, 0, 0});
    for (int i = 1; i < count; i++) {
      // Slots 1 and 2 are turned down for every other rider, whichever it is.
      want.push_back(RecordedSound{SOUND_OP_SET_VOLUME, 1, -100, 0, 0, 0, 0, 0, 0});
      want.push_back(RecordedSound{SOUND_OP_SET_VOLUME, 2, -100, 0, 0, 0, 0, 0, 0});
      want.push_back(RecordedSound{SOUND_OP_PLAY, i, 0, 0, 0, 0, 0, 0, 0});
    }
    ASSERT_EQ(recordedSoundCount, (int)want.size()) << count << " riders";
    for (size_t k = 0; k < want.size(); k++) {
      EXPECT_EQ(recordedSounds[k].op, want[k].op) << "call " << k;
      EXPECT_EQ(recordedSounds[k].slot, want[k].slot) << "call " << k;
      if (want[k].op == SOUND_OP_SET_VOLUME) {
        EXPECT_EQ(recordedSounds[k].value, want[k].value) << "call " << k;
      }
    }
  }
}

TEST_F(WindowProcTest, OnlyDAtTheTitleStartsAttractMode) {
  send(WM_KEYDOWN, 'D');
  EXPECT_EQ(demoActive, 1);
  EXPECT_EQ(titleActive, 0);
  EXPECT_EQ(loggedCount("postQuitMessage"), 0);

  SetUp();
  send(WM_KEYDOWN, 'Q');  // a quit key at the title only leaves it
  EXPECT_EQ(demoActive, 0);
  EXPECT_EQ(titleActive, 0);
  EXPECT_EQ(loggedCount("postQuitMessage"), 0);

  // Once playing, D is a key without a command, and attract mode stays off.
  clearLog();
  send(WM_KEYDOWN, 'D');
  EXPECT_EQ(demoActive, 0);
  EXPECT_EQ(loggedNames(), "postQuitMessage");
}

TEST_F(WindowProcTest, TitleIsLeftOnlyOnce) {
  startPlay();
  send(WM_KEYDOWN, 'V');
  EXPECT_EQ(viewMode, 1);
  EXPECT_EQ(loggedCount("stopMusic"), 0);
  EXPECT_EQ(recordedSoundCount, 0) << "the engines are started only by the title key";
}

TEST_F(WindowProcTest, ArrowsTurnAndAccelerateTheLocalRider) {
  startPlay();
  send(WM_KEYDOWN, VK_LEFT);
  send(WM_KEYDOWN, VK_LEFT, KEY_REPEAT_BIT);  // auto-repeat turns again
  send(WM_KEYDOWN, VK_RIGHT);
  ASSERT_EQ(loggedNames(), "turnRider turnRider turnRider");
  EXPECT_EQ(callLog[0].a, 0);
  EXPECT_EQ(callLog[0].b, 37);
  EXPECT_EQ(callLog[1].b, 37);
  EXPECT_EQ(callLog[2].a, 0);
  EXPECT_EQ(callLog[2].b, 39);

  send(WM_KEYDOWN, VK_UP);
  EXPECT_EQ(riders[0].accel, 0.008f);
  send(WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(riders[0].accel, -0.008f);
  for (int i = 1; i < MAX_RIDERS; i++) EXPECT_EQ(riders[i].accel, 0.0f) << "rider " << i;
  EXPECT_EQ(loggedCount("postQuitMessage"), 0);
}

TEST_F(WindowProcTest, LookViewAndHelpKeys) {
  startPlay();
  send(WM_KEYDOWN, 'Z');
  EXPECT_EQ(lookDirection, 0);
  send(WM_KEYDOWN, 'X');
  EXPECT_EQ(lookDirection, 1);
  send(WM_KEYDOWN, 'C');
  EXPECT_EQ(lookDirection, 2);

  int seen[4] = {viewMode, -1, -1, -1};
  for (int i = 1; i < 4; i++) {
    send(WM_KEYDOWN, 'V');
    seen[i] = viewMode;
  }
  EXPECT_EQ(seen[1], 1);
  EXPECT_EQ(seen[2], 2);
  EXPECT_EQ(seen[3], 3);
  send(WM_KEYDOWN, 'V');
  EXPECT_EQ(viewMode, 0) << "four presses of V come back to the first view";

  send(WM_KEYDOWN, VK_F1);
  EXPECT_EQ(helpVisible, 1);
  EXPECT_EQ(loggedNames(), "") << "none of these keys calls anything";
}

TEST_F(WindowProcTest, F8DoesNothing) {
  startPlay();
  viewMode = 2;
  lookDirection = 1;
  helpVisible = 1;
  riders[0].accel = 0.008f;
  UiSnapshot before = snapshot();
  EXPECT_EQ(send(WM_KEYDOWN, VK_F8), 1);
  EXPECT_TRUE(snapshot() == before);
  EXPECT_EQ(loggedNames(), "");
  EXPECT_EQ(recordedSoundCount, 0);
}

TEST_F(WindowProcTest, EveryOtherKeyQuitsWithCodeZero) {
  std::vector<uintptr_t> keys = {VK_SHIFT, VK_CONTROL, VK_ESCAPE, VK_SPACE, VK_RETURN,
                                 VK_BACK,  VK_TAB,     VK_HOME,   VK_F4,    VK_F12,
                                 VK_F1 + 1, VK_F8 - 1, VK_F8 + 1, VK_OEM_UNKNOWN, 0x60};
  for (char c = '0'; c <= '9'; c++) keys.push_back((uintptr_t)c);
  for (char c = 'A'; c <= 'Z'; c++)
    if (c != 'C' && c != 'V' && c != 'X' && c != 'Z') keys.push_back((uintptr_t)c);
  // Lower-case codes are not the letter keys (the layer sends upper case).
  keys.push_back((uintptr_t)'z');
  keys.push_back((uintptr_t)'v');
  startPlay();
  for (uintptr_t key : keys) {
    clearLog();
    UiSnapshot before = snapshot();
    EXPECT_EQ(send(WM_KEYDOWN, key), 1);
    ASSERT_EQ(loggedNames(), "postQuitMessage") << "key " << key;
    EXPECT_EQ(callLog[0].a, 0) << "key " << key;
    EXPECT_TRUE(snapshot() == before) << "key " << key;
  }
}

TEST_F(WindowProcTest, AnyKeyReleaseEndsLookHelpAndAcceleration) {
  startPlay();
  for (uintptr_t key : {(uintptr_t)'Q', (uintptr_t)VK_F1, (uintptr_t)VK_UP}) {
    lookDirection = 1;
    helpVisible = 1;
    riders[0].accel = -0.008f;
    viewMode = 2;
    EXPECT_EQ(send(WM_KEYUP, key), 1);
    EXPECT_EQ(lookDirection, 3);
    EXPECT_EQ(helpVisible, 0);
    EXPECT_EQ(riders[0].accel, 0.0f);
    EXPECT_EQ(viewMode, 2);
  }
  EXPECT_EQ(loggedNames(), "") << "a release never quits";

  // At the title a release changes the same state and does not leave the title.
  SetUp();
  lookDirection = 0;
  send(WM_KEYUP, 'A');
  EXPECT_EQ(titleActive, 1);
  EXPECT_EQ(lookDirection, 3);
  EXPECT_EQ(loggedNames(), "");
}

TEST_F(WindowProcTest, RepaintDrawsNothingAtTheTitle) {
  EXPECT_EQ(send(WM_PAINT), 1);
  EXPECT_EQ(loggedNames(), "");
}

// The title is drawn once; a desktop that has uncovered it gets it drawn once more, at the
// next repaint. In play and the attract mode the next frame draws everything anyway.
TEST_F(WindowProcTest, AnExposedTitleIsDrawnAgainOnce) {
  fakeExposures = 1;
  for (int i = 0; i < 3; i++) EXPECT_EQ(send(WM_PAINT), 1);
  EXPECT_EQ(loggedNames(), "showTitle");
  startPlay();
  fakeExposures = 1;
  send(WM_PAINT);
  EXPECT_EQ(loggedNames(), "beginFrame updateFrame drawWorld drawHud");
}

TEST_F(WindowProcTest, RepaintDrawsOneFrameInOrderAndLeavesTheWindowInvalid) {
  startPlay();
  for (int i = 0; i < 3; i++) EXPECT_EQ(send(WM_PAINT), 1);
  EXPECT_EQ(loggedNames(),
            "beginFrame updateFrame drawWorld drawHud "
            "beginFrame updateFrame drawWorld drawHud "
            "beginFrame updateFrame drawWorld drawHud");
  // Handing the repaint to the default handling would validate the window.
  EXPECT_EQ(loggedCount("defaultWindowProc"), 0);

  clearLog();
  demoActive = 1;  // attract mode draws the same way
  send(WM_PAINT);
  EXPECT_EQ(loggedNames(), "beginFrame updateFrame drawWorld drawHud");
}

TEST_F(WindowProcTest, SizeHandsTheOuterRectangleToTheViewport) {
  fakeWindowRect = WindowRect{100, 50, 740, 530};
  // The message's own size (here the client area) is not what counts.
  EXPECT_EQ(send(WM_SIZE, 0, (intptr_t)((460 << 16) | 620)), 1);
  ASSERT_EQ(loggedNames(), "getWindowRect resizeGraphics");
  EXPECT_EQ(callLog[0].a, (intptr_t)WINDOW);
  EXPECT_EQ(callLog[1].a, 640);
  EXPECT_EQ(callLog[1].b, 480);

  clearLog();
  fakeWindowRect = WindowRect{-20, -10, 780, 590};
  send(WM_SIZE);
  ASSERT_EQ(loggedCount("resizeGraphics"), 1);
  EXPECT_EQ(callLog[1].a, 800);
  EXPECT_EQ(callLog[1].b, 600);

  // Without a rectangle there is nothing to resize to.
  clearLog();
  fakeWindowRectResult = 0;
  send(WM_SIZE);
  EXPECT_EQ(loggedNames(), "getWindowRect");
}

TEST_F(WindowProcTest, CreationDoesNothingAndDestructionQuits) {
  EXPECT_EQ(send(WM_CREATE), 1);
  EXPECT_EQ(loggedNames(), "");
  EXPECT_EQ(send(WM_DESTROY), 1);
  ASSERT_EQ(loggedNames(), "postQuitMessage");
  EXPECT_EQ(callLog[0].a, 0);
}

TEST_F(WindowProcTest, OtherMessagesGoToTheDefaultHandling) {
  startPlay();
  struct Case {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
  } cases[] = {
      {WM_CLOSE, 0, 0},
      {WM_SYSKEYDOWN, VK_F10, 1},
      {WM_SYSKEYDOWN, 'X', 1 | KEY_ALT_DOWN_BIT},
      {WM_SYSKEYDOWN, VK_F4, 1 | KEY_ALT_DOWN_BIT},
      {WM_SYSKEYUP, 'X', 1 | KEY_ALT_DOWN_BIT},
      {WM_CHAR, 'q', 1},
      {0x0400, 7, 9},
  };
  for (const Case& c : cases) {
    clearLog();
    UiSnapshot before = snapshot();
    EXPECT_EQ(send(c.message, c.wParam, c.lParam), DEFAULT_PROC_RESULT);
    ASSERT_EQ(loggedNames(), "defaultWindowProc") << "message " << c.message;
    EXPECT_EQ(callLog[0].a, (intptr_t)WINDOW);
    EXPECT_EQ(callLog[0].b, (intptr_t)c.message);
    EXPECT_EQ(callLog[0].c, (intptr_t)c.wParam);
    EXPECT_EQ(callLog[0].d, c.lParam);
    EXPECT_TRUE(snapshot() == before) << "message " << c.message;
  }
}

}  // namespace
