// The window procedure's keys with the real sound slots on a device whose every play
// fails (a headset unplugged, another program holding the output): the player sees one
// box, and the match goes on silent under the keys that follow.
#include <gtest/gtest.h>

#include "app/window_proc.h"
#include "audio/audio_test_support.h"
#include "audio/refused_play_told_once.h"
#include "audio/music.h"
#include "audio/sound_slots.h"
#include "message_box_recorder.h"
#include "render/camera.h"
#include "render/graphics.h"
#include "render/hud.h"
#include "render/title.h"
#include "render/world.h"
#include "scripted_sound_device.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

// Only keys are sent here: nothing is drawn and no song plays.
void beginFrame() {}
void updateFrame() {}
void drawWorld() {}
void drawHud() {}
void resizeGraphics(int, int) {}
void showTitle() {}
int stopMusic() { return 1; }

namespace {

WindowHandle const WINDOW = (WindowHandle)0x5150;

void press(uintptr_t key) {
  windowProc(WINDOW, WM_KEYDOWN, key, 0);
  windowProc(WINDOW, WM_KEYUP, key, 0);
}

// A match of four riders at its title, with every sound file in place.
void startGame(HRESULT playResult) {
  enterTempDir();
  writeFile("cyc4.wav", monoWav(22050, sine(441, 22050, 0.5)));
  writeFile("boom.wav", monoWav(22050, sine(300, 22050, 0.3)));
  writeFile("turn2.wav", monoWav(11025, sine(1000, 11025, 0.2)));
  writeFile("boom2.wav", monoWav(22050, sine(200, 22050, 0.4)));
  memset(soundSlots, 0, sizeof soundSlots);
  resetScriptedSoundDevice();
  clearRecordedMessageBoxes();
  riderCount = 4;
  seedRandom(1);
  soundInit();
  resetMatch();
  titleActive = 1;
  demoActive = 0;
  scriptedPlayResult = playResult;
}

TEST(FailingSoundKeys, LeavingTheTitleAndTurningTenTimesShowsExactlyOneBox) {
  startGame(DSERR_GENERIC);
  ASSERT_EQ(soundSlots[SOUND_TURN].loaded, 1);
  int heading = riders[localRider].heading;
  press('G');  // leaves the title: the engines start, and the first one fails
  ASSERT_EQ(titleActive, 0);
  for (int turn = 0; turn < 10; turn++) press(VK_LEFT);
  expectRefusedPlayToldOnce();
  EXPECT_EQ(riders[localRider].heading, (heading + 2) & 3) << "ten quarter turns left still turn";
  soundShutdown();
}

TEST(FailingSoundKeys, OnADeviceThatPlaysTheSameKeysPlayEveryEngineAndTurn) {
  startGame(DS_OK);
  press('G');
  for (int turn = 0; turn < 10; turn++) press(VK_LEFT);
  EXPECT_EQ(scriptedPlayCount(), 4 + 10) << "four engines, ten turns";
  EXPECT_EQ(recordedMessageBoxCount(), 0);
  soundShutdown();
}

}  // namespace
