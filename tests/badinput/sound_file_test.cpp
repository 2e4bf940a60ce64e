// The four WAV files missing, empty, cut in half or garbage, loaded by soundInit on OpenAL
// Soft's loopback output: a bad file silences only its own slots, a cut one plays the part
// it holds, and nothing shows a message.
#include <math.h>
#include <string.h>

#include <gtest/gtest.h>

#include "audio/sound_slots.h"
#include "audio/wav_reader.h"
#include "bad_files.h"
#include "message_box_recorder.h"
#include "openal_loopback_device.h"

namespace {

struct SlotFile {
  const char* name;
  int firstSlot, lastSlot;
};

const SlotFile SLOT_FILES[] = {
    {"cyc4.wav", 0, 4}, {"boom.wav", SOUND_BOOM, SOUND_BOOM},
    {"turn2.wav", SOUND_TURN, SOUND_TURN}, {"boom2.wav", SOUND_BOOM2, SOUND_BOOM2}};

// The loudest sample of the next half second of the mix.
float loudestOfTheNextHalfSecond() {
  std::vector<float> mix((size_t)LOOPBACK_RATE / 2 * LOOPBACK_CHANNELS);
  renderLoopback(mix.data(), LOOPBACK_RATE / 2);
  float loudest = 0.0f;
  for (float s : mix) loudest = fmaxf(loudest, fabsf(s));
  return loudest;
}

class SoundFileBadInput : public ::testing::TestWithParam<SlotFile> {
 protected:
  void TearDown() override { stopSound(); }

  void startSound(BadKind kind) {
    enterWorkDirectory(GetParam().name, kind);
    clearRecordedMessageBoxes();
    soundInit();
    ASSERT_NE(soundDevice, nullptr);
  }
  void stopSound() {
    soundShutdown();
    for (SoundSlot& s : soundSlots) wavClose(&s.file, &s.format);
    memset(soundSlots, 0, sizeof soundSlots);
    primaryBuffer = 0;
    listener = 0;
    leaveWorkDirectory();
  }
  bool ownSlot(int slot) const { return slot >= GetParam().firstSlot && slot <= GetParam().lastSlot; }
};

TEST_P(SoundFileBadInput, MissingEmptyOrGarbageSilencesOnlyItsOwnSlots) {
  for (BadKind kind : {FILE_MISSING, FILE_EMPTY, FILE_GARBAGE}) {
    SCOPED_TRACE(badKindName(kind));
    startSound(kind);
    int other = -1;
    for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++) {
      EXPECT_EQ(soundSlots[slot].loaded, ownSlot(slot) ? 0 : 1) << "slot " << slot;
      if (!ownSlot(slot) && other < 0) other = slot;
    }
    // Its slot stays quiet when played; another one still sounds.
    soundPlay(GetParam().firstSlot);
    EXPECT_EQ(loudestOfTheNextHalfSecond(), 0.0f);
    soundPlay(other);
    EXPECT_GT(loudestOfTheNextHalfSecond(), 0.01f) << "slot " << other;
    EXPECT_EQ(recordedMessageBoxCount(), 0);
    stopSound();
  }
}

TEST_P(SoundFileBadInput, CutFileLoadsTheSamplesItHoldsAndPlaysThem) {
  // Where the samples start in the whole file, from the reader itself.
  enterWorkDirectory(0, FILE_MISSING);
  HMMIO file = 0;
  WAVEFORMATEX* format = 0;
  MMCKINFO riffChunk, dataChunk;
  ASSERT_EQ(wavOpen(GetParam().name, &file, &format, &riffChunk), 0);
  ASSERT_EQ(wavFindData(file, &dataChunk, &riffChunk), 0);
  wavClose(&file, &format);
  leaveWorkDirectory();
  size_t cutSize = badContents(GetParam().name, FILE_TRUNCATED).size();
  ASSERT_GT(cutSize, dataChunk.dwDataOffset);

  startSound(FILE_TRUNCATED);
  for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++) {
    ASSERT_EQ(soundSlots[slot].loaded, 1) << "slot " << slot;
    if (ownSlot(slot)) {
      EXPECT_EQ(soundSlots[slot].dataSize, cutSize - dataChunk.dwDataOffset) << "slot " << slot;
    }
  }
  soundPlay(GetParam().firstSlot);
  EXPECT_GT(loudestOfTheNextHalfSecond(), 0.01f);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(EachSoundFile, SoundFileBadInput, ::testing::ValuesIn(SLOT_FILES),
                         [](const ::testing::TestParamInfo<SlotFile>& info) {
                           std::string name = info.param.name;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
