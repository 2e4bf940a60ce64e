// The sound slots and the song on Windows' own services (DirectSound, the multimedia file
// services, the media control interface), run under Wine with a private PulseAudio null sink
// as the output. What DirectSound holds is read back through the sound device layer.
#include <gtest/gtest.h>

#include "audio/music.h"
#include "audio/sound_slots.h"
#include "audio_test_support.h"
#include "message_box_recorder.h"
#include "platform/media_control.h"

namespace {

Bytes bufferContents(int slot) {
  void* region = 0;
  uint32_t bytes = 0;
  LPDIRECTSOUNDBUFFER buffer = soundSlots[slot].buffer;
  if (soundBufferLock(buffer, 0, soundSlots[slot].dataSize, &region, &bytes, 0, 0, 0) != DS_OK) return Bytes();
  Bytes held((uint8_t*)region, (uint8_t*)region + bytes);
  soundBufferUnlock(buffer, region, bytes, 0, 0);
  return held;
}

class DirectSoundSlots : public ::testing::Test {
 protected:
  void SetUp() override {
    enterTempDir();
    clearRecordedMessageBoxes();
    // The game loads its slots once per run; each test here starts from that first state.
    memset(soundSlots, 0, sizeof soundSlots);
  }
  void TearDown() override {
    soundShutdown();
    stopMusic();
  }
};

TEST_F(DirectSoundSlots, StartUpLoadsEverySlotWithItsFilesSamplesAndThreeDSettings) {
  writeDistinctSlotFiles();
  soundInit();
  ASSERT_NE(soundDevice, nullptr) << "no DirectSound output: is the PulseAudio null sink up?";
  const char* files[SOUND_SLOT_COUNT] = {"cyc4.wav", "cyc4.wav", "cyc4.wav", "cyc4.wav",
                                         "cyc4.wav", "boom.wav", "turn2.wav", "boom2.wav"};
  for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++) {
    ASSERT_EQ(soundSlots[slot].loaded, 1) << slot;
    EXPECT_EQ(soundSlots[slot].desc.dwFlags, 178u);
    EXPECT_EQ(bufferContents(slot), samplesOf(files[slot])) << slot;
    DS3DBUFFER p{};
    p.dwSize = DS_3D_RECORD_SIZE;
    ASSERT_EQ(soundBuffer3DGetAllParameters(soundSlots[slot].buffer3d, &p), DS_OK);
    EXPECT_FLOAT_EQ(p.flMinDistance, 1.1f);
    EXPECT_FLOAT_EQ(p.flMaxDistance, 11.1f);
    EXPECT_EQ(p.dwMode, (uint32_t)DS3DMODE_HEADRELATIVE);
  }
  DS3DLISTENER l{};
  l.dwSize = DS_3D_RECORD_SIZE;
  ASSERT_EQ(soundListenerGetAllParameters(listener, &l), DS_OK);
  EXPECT_FLOAT_EQ(l.flRolloffFactor, 5.0f);
  EXPECT_FLOAT_EQ(l.flDopplerFactor, 5.0f);
  EXPECT_FLOAT_EQ(l.flDistanceFactor, 1.0f) << "left as DirectSound gives it";
}

TEST_F(DirectSoundSlots, PlayingPlacingAndPitchAreTakenWithoutABox) {
  writeDistinctSlotFiles();
  soundInit();
  ASSERT_NE(soundDevice, nullptr);
  soundPlay(0);
  soundSetFrequency(0, 30000);
  soundSetVolume(0, -600);
  soundPlace(0, 2.0f, 0.5f, -3.0f, 0.0f, 0.0f, 4.0f);
  soundPlay(SOUND_TURN);
  soundPlay(0);  // a playing engine restarts
  soundStop(0);
  soundStop(0);
  EXPECT_EQ(soundBufferRestore(soundSlots[0].buffer), DS_OK) << "a buffer never lost restores at once";
  EXPECT_EQ(recordedMessageBoxCount(), 0) << "DirectSound refused a play";
  DS3DBUFFER p{};
  p.dwSize = DS_3D_RECORD_SIZE;
  ASSERT_EQ(soundBuffer3DGetAllParameters(soundSlots[0].buffer3d, &p), DS_OK);
  EXPECT_FLOAT_EQ(p.vPosition.x, 2.0f);
  EXPECT_FLOAT_EQ(p.vPosition.y, 0.5f);
  EXPECT_FLOAT_EQ(p.vPosition.z, -3.0f);
  EXPECT_FLOAT_EQ(p.vVelocity.z, 4.0f);
}

TEST_F(DirectSoundSlots, StereoEnginesAreRefusedAThreeDBufferAndStaySilent) {
  writeDistinctSlotFiles();
  writeFile("cyc4.wav", riff("WAVE", {chunk("fmt ", formatFields(1, 2, 22050, 16)),
                                      chunk("data", pcm16(sine(441, 22050, 0.2)))}));
  soundInit();
  ASSERT_NE(soundDevice, nullptr);
  for (int slot = 0; slot < 5; slot++) EXPECT_EQ(soundSlots[slot].loaded, 0) << slot;
  EXPECT_EQ(soundSlots[SOUND_BOOM].loaded, 1);
  soundPlay(0);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

TEST_F(DirectSoundSlots, ShutdownReleasesTheDeviceAndLaterCallsDoNothing) {
  writeDistinctSlotFiles();
  soundInit();
  ASSERT_NE(soundDevice, nullptr);
  soundPlay(0);
  soundShutdown();
  EXPECT_EQ(soundDevice, nullptr);
  soundPlay(0);
  soundPlace(0, 1, 2, 3, 4, 5, 6);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

TEST_F(DirectSoundSlots, TheSongOpensUnderItsAliasAndCloseAllEndsIt) {
  EXPECT_EQ(playMusicFile("missing.mid"), 0);
  writeFile("vask.mid", readFile(std::string(VASK_DATA_DIR) + "/vask.mid"));
  ASSERT_GT(readFile("vask.mid").size(), 100u);
  // Without a MIDI output (Wine here) the sequencer still opens and "plays", silently.
  ASSERT_EQ(playMusicFile("vask.mid"), 1);
  char mode[64] = "x";
  ASSERT_EQ(mciSendString("status MUSIC mode", mode, sizeof mode, 0), 0u);
  EXPECT_STREQ(mode, "playing");
  EXPECT_EQ(stopMusic(), 1);
  EXPECT_NE(mciSendString("status MUSIC mode", mode, sizeof mode, 0), 0u) << "still open after close all";
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

}  // namespace
