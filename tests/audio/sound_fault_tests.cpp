// The sound slots on a device that fails them (tests/doubles/scripted_sound_device.h): a
// lost buffer is restored and refilled from its file (or, while it cannot be, its play
// skipped), any other refusal is told once and silences the rest of the game, and a slot
// that cannot load gives back what it took.
#include <gtest/gtest.h>

#include "audio/sound_slots.h"
#include "audio_test_support.h"
#include "message_box_recorder.h"
#include "refused_play_told_once.h"
#include "scripted_sound_device.h"

namespace {

Bytes bufferBytes(int slot) {
  uint32_t size = 0;
  const uint8_t* bytes = scriptedBufferBytes(soundSlots[slot].buffer, &size);
  return Bytes(bytes, bytes + size);
}

class SoundFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    enterTempDir();
    clearRecordedMessageBoxes();
    resetScriptedSoundDevice();
    memset(soundSlots, 0, sizeof soundSlots);  // each test starts from the game's first state
    writeDistinctSlotFiles();
  }
  void TearDown() override { soundShutdown(); }
};

TEST_F(SoundFaults, ALostBufferIsRestoredRefilledFromItsFileAndPlayed) {
  soundInit();
  ASSERT_EQ(soundSlots[SOUND_TURN].loaded, 1);
  loseScriptedBuffers();
  soundPlay(SOUND_TURN);
  EXPECT_EQ(scriptedRestoreCount(), 1);
  EXPECT_EQ(bufferBytes(SOUND_TURN), samplesOf("turn2.wav")) << "restored, but not refilled";
  EXPECT_TRUE(scriptedBufferPlaying(soundSlots[SOUND_TURN].buffer));
  soundPlay(SOUND_TURN);  // the file is read again from its first sample each time
  soundPlay(2);
  EXPECT_EQ(bufferBytes(2), samplesOf("cyc4.wav"));
  EXPECT_TRUE(scriptedBufferPlaying(soundSlots[2].buffer));
  EXPECT_EQ(scriptedRestoreCount(), 2);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

TEST_F(SoundFaults, ARefusedPlayIsToldOnceAndSilencesEverySlotForTheRestOfTheGame) {
  soundInit();
  soundPlay(0);
  ASSERT_TRUE(scriptedBufferPlaying(soundSlots[0].buffer));
  scriptedPlayResult = DSERR_GENERIC;
  soundPlay(1);
  expectRefusedPlayToldOnce();
  EXPECT_FALSE(scriptedBufferPlaying(soundSlots[0].buffer)) << "the engine that did start sounds on";
  int plays = scriptedPlayCount();
  scriptedPlayResult = DS_OK;  // even a device that would take them again gets no more plays
  for (int round = 0; round < 10; round++)
    for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++) soundPlay(slot);
  expectRefusedPlayToldOnce();
  EXPECT_EQ(scriptedPlayCount(), plays);
}

// Another program holds the output while the game is in the background: the device keeps
// the memory, and each play skips its sound until a restore takes.
TEST_F(SoundFaults, ALostBufferThatCannotBeRestoredYetSkipsItsPlayAndTriesAgainAtTheNext) {
  soundInit();
  loseScriptedBuffers();
  scriptedRestoreResult = DSERR_BUFFERLOST;
  for (int i = 0; i < 5; i++) soundPlay(SOUND_BOOM);
  EXPECT_EQ(recordedMessageBoxCount(), 0) << "a buffer not yet restored was told as a refusal";
  EXPECT_EQ(scriptedRestoreCount(), 5);
  EXPECT_FALSE(scriptedBufferPlaying(soundSlots[SOUND_BOOM].buffer));
  scriptedRestoreResult = DS_OK;  // the other program let go
  soundPlay(SOUND_BOOM);
  EXPECT_EQ(bufferBytes(SOUND_BOOM), samplesOf("boom.wav"));
  EXPECT_TRUE(scriptedBufferPlaying(soundSlots[SOUND_BOOM].buffer));
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

TEST_F(SoundFaults, ARestoredBufferThatIsRefusedAgainCountsAsARefusal) {
  soundInit();
  loseScriptedBuffers();
  scriptedPlayResult = DSERR_GENERIC;  // restored and refilled, then refused all the same
  for (int i = 0; i < 5; i++) soundPlay(SOUND_BOOM);
  expectRefusedPlayToldOnce();
  EXPECT_EQ(scriptedRestoreCount(), 1);
}

TEST_F(SoundFaults, ASlotThatCannotLoadGivesBackItsBufferAndItsFile) {
  scriptedLockResult = DSERR_GENERIC;
  soundInit();
  ASSERT_NE(soundDevice, nullptr);
  for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++) {
    EXPECT_EQ(soundSlots[slot].loaded, 0) << slot;
    EXPECT_EQ(soundSlots[slot].buffer, nullptr) << slot;
    EXPECT_EQ(soundSlots[slot].file, nullptr) << slot;
    EXPECT_EQ(soundSlots[slot].format, nullptr) << slot;
  }
  EXPECT_EQ(scriptedBufferCount(), 1) << "only the primary buffer is left";
}

}  // namespace
