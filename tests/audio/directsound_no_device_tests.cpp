// A Windows machine without any sound output (Wine with its audio drivers switched off):
// DirectSound cannot be opened, and the slots and the song turn into operations that do
// nothing, with no box.
#include <gtest/gtest.h>

#include "audio/music.h"
#include "audio/sound_slots.h"
#include "audio_test_support.h"
#include "message_box_recorder.h"

namespace {

TEST(NoDirectSoundOutput, OpeningTheDeviceReportsNoDriver) {
  LPDIRECTSOUND device = (LPDIRECTSOUND)&device;
  EXPECT_EQ(directSoundCreate(&device), DSERR_NODRIVER);
  EXPECT_EQ(device, nullptr);
}

TEST(NoDirectSoundOutput, EverySoundOperationDoesNothingAndNothingIsShown) {
  enterTempDir();
  writeFile("cyc4.wav", monoWav(22050, sine(441, 22050, 0.5)));
  writeFile("boom.wav", monoWav(22050, sine(300, 22050, 0.5)));
  clearRecordedMessageBoxes();
  soundInit();
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
}

TEST(NoDirectSoundOutput, TheSongGoesQuietlyAndClosingStillSucceeds) {
  enterTempDir();
  writeFile("vask.mid", readFile(std::string(VASK_DATA_DIR) + "/vask.mid"));
  ASSERT_GT(readFile("vask.mid").size(), 100u);
  clearRecordedMessageBoxes();
  playMusicFile("vask.mid");  // no MIDI output: opens silently or fails, either is quiet
  EXPECT_EQ(stopMusic(), 1);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

}  // namespace
