// A machine without any sound output: the slots and the song turn into operations that do nothing.
#include <gtest/gtest.h>

#include "audio/music.h"
#include "audio/sound_slots.h"
#include "audio_test_support.h"
#include "message_box_recorder.h"
#include "openal_missing_device.h"

namespace {

TEST(NoSoundDevice, EverySoundOperationDoesNothingAndNothingIsShown) {
  enterTempDir();
  writeFile("cyc4.wav", monoWav(22050, sine(441, 22050, 0.5)));
  writeFile("boom.wav", monoWav(22050, sine(300, 22050, 0.5)));
  clearRecordedMessageBoxes();
  soundInit();
  EXPECT_EQ(missingOutputOpenAttempts(), 1);
  EXPECT_EQ(soundDevice, nullptr);
  for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++) {
    EXPECT_EQ(soundSlots[slot].loaded, 0) << slot;
    EXPECT_EQ(soundSlots[slot].file, nullptr) << "no file is opened without a device";
  }
  for (int slot = -1; slot <= SOUND_SLOT_COUNT; slot++) {
    soundPlay(slot);
    soundStop(slot);
    soundSetFrequency(slot, 22050);
    soundSetVolume(slot, -600);
    soundPlace(slot, 1, 2, 3, 4, 5, 6);
  }
  soundShutdown();
  EXPECT_EQ(recordedMessageBoxCount(), 0);
  EXPECT_EQ(missingOutputOpenAttempts(), 1) << "the device is looked for once, at start-up";
}

TEST(NoSoundDevice, TheSongFailsQuietlyAndClosingStillSucceeds) {
  std::string dir = enterTempDir();
  writeFile("vask.mid", readFile(std::string(VASK_DATA_DIR) + "/vask.mid"));
  EXPECT_EQ(playMusicFile("vask.mid"), 0);
  EXPECT_GE(missingOutputOpenAttempts(), 1);
  EXPECT_EQ(stopMusic(), 1);
}

}  // namespace
