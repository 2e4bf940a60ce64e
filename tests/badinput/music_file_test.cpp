// "vask.mid" missing, empty, cut in half or garbage: the title is only quieter. The song's
// failure is silent, the later "close all" of the first key still works, and the sound
// effects still play on the shared output.
#include <math.h>
#include <string.h>

#include <gtest/gtest.h>

#include "audio/music.h"
#include "audio/sound_slots.h"
#include "audio/wav_reader.h"
#include "bad_files.h"
#include "message_box_recorder.h"
#include "openal_loopback_device.h"

namespace {

float loudestOfTheNextSecond() {
  std::vector<float> mix((size_t)LOOPBACK_RATE * LOOPBACK_CHANNELS);
  renderLoopback(mix.data(), LOOPBACK_RATE);
  float loudest = 0.0f;
  for (float s : mix) loudest = fmaxf(loudest, fabsf(s));
  return loudest;
}

class MusicFileBadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    // Without a General MIDI sound font there is no music at all, bad file or not.
    enterWorkDirectory(0, FILE_MISSING);
    int plays = playMusicFile("vask.mid");
    stopMusic();
    leaveWorkDirectory();
    if (!plays) GTEST_SKIP() << "no MIDI playback here (no sound font)";
  }
  void TearDown() override {
    stopMusic();
    soundShutdown();
    for (SoundSlot& s : soundSlots) wavClose(&s.file, &s.format);
    memset(soundSlots, 0, sizeof soundSlots);
    leaveWorkDirectory();
  }
  // The title's music, then the first key: stop it and start an engine.
  int titleThenFirstKey(BadKind kind) {
    enterWorkDirectory("vask.mid", kind);
    clearRecordedMessageBoxes();
    int playing = playMusicFile("vask.mid");
    EXPECT_EQ(stopMusic(), 1);
    soundInit();
    soundPlay(0);
    EXPECT_GT(loudestOfTheNextSecond(), 0.01f) << "the engine is not heard";
    EXPECT_EQ(recordedMessageBoxCount(), 0);
    return playing;
  }
};

TEST_F(MusicFileBadInput, MissingFileIsSilent) { EXPECT_EQ(titleThenFirstKey(FILE_MISSING), 0); }

TEST_F(MusicFileBadInput, EmptyFileIsSilent) { EXPECT_EQ(titleThenFirstKey(FILE_EMPTY), 0); }

TEST_F(MusicFileBadInput, GarbageIsNoSongAndSilent) { EXPECT_EQ(titleThenFirstKey(FILE_GARBAGE), 0); }

// The cut song still starts like a MIDI file, so it opens and "plays"; FluidSynth drops the
// track that ends early ("Unexpected end of file"), which leaves the title quiet. Either
// way the first key stops it and play begins with its sounds.
TEST_F(MusicFileBadInput, CutFileOpensAndTheGameGoesOn) {
  EXPECT_EQ(titleThenFirstKey(FILE_TRUNCATED), 1);
}

}  // namespace
