// The sound slots played through OpenAL Soft's loopback device: every check measures the
// mixed samples.
#include <AL/alc.h>
#include <gtest/gtest.h>

#include "audio/sound_slots.h"
#include "audio_test_support.h"
#include "message_box_recorder.h"
#include "openal_loopback_device.h"
#include "platform/shared/openal_shared.h"
#include "refused_play_told_once.h"

namespace {

const size_t SECOND = LOOPBACK_RATE;

std::vector<float> render(double seconds) {
  std::vector<float> out((size_t)(seconds * LOOPBACK_RATE) * 2);
  renderLoopback(out.data(), (int)(out.size() / 2));
  return out;
}

double loudness(double seconds) {
  std::vector<float> s = render(seconds);
  return rms(s, 0, s.size() / 2);
}

// Every slot's file: an engine sine of 441 Hz lasting one second (whole periods, so it
// loops cleanly), a second-long crash, a 0.2 s turn tone and another crash.
void writeSlotFiles(bool withBoom = true) {
  writeFile("cyc4.wav", monoWav(22050, sine(441, 22050, 1.0)));
  if (withBoom) writeFile("boom.wav", monoWav(22050, sine(300, 22050, 1.0)));
  writeFile("turn2.wav", monoWav(22050, sine(1000, 22050, 0.2)));
  writeFile("boom2.wav", monoWav(22050, sine(200, 22050, 1.0)));
}

class SoundSlots : public ::testing::Test {
 protected:
  void SetUp() override {
    enterTempDir();
    clearRecordedMessageBoxes();
  }
  void TearDown() override { soundShutdown(); }
};

TEST_F(SoundSlots, StartUpLoadsEverySlotSilentAndPlacedAtTheListener) {
  writeSlotFiles();
  soundInit();
  ASSERT_NE(soundDevice, nullptr);
  for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++) {
    EXPECT_EQ(soundSlots[slot].loaded, 1) << slot;
    EXPECT_EQ(soundSlots[slot].playFlags, slot < 5 ? (uint32_t)DSBPLAY_LOOPING : 0u) << slot;
    EXPECT_EQ(soundSlots[slot].desc.dwFlags, 178u);
    EXPECT_EQ(soundSlots[slot].desc.dwSize, 20u);
    DS3DBUFFER p{};
    p.dwSize = 64;
    ASSERT_EQ(soundBuffer3DGetAllParameters(soundSlots[slot].buffer3d, &p), DS_OK);
    EXPECT_FLOAT_EQ(p.flMinDistance, 1.1f);
    EXPECT_FLOAT_EQ(p.flMaxDistance, 11.1f);
    EXPECT_EQ(p.dwMode, (uint32_t)DS3DMODE_HEADRELATIVE);
  }
  EXPECT_EQ(soundSlots[0].dataSize, 44100u);
  EXPECT_FLOAT_EQ(listenerParams.flRolloffFactor, 5.0f);
  EXPECT_FLOAT_EQ(listenerParams.flDopplerFactor, 5.0f);
  EXPECT_FLOAT_EQ(listenerParams.flDistanceFactor, 1.0f);  // left as the device gives it
  EXPECT_LT(loudness(0.2), 1e-6) << "nothing plays at start-up";
  ASSERT_TRUE(openalAwaitOutput());
  EXPECT_FALSE(loopbackContextMadeOnThisThread()) << "the output's context is made beside "
                                                     "the start-up, not in its way";
}

TEST_F(SoundSlots, EngineLoopsAndStopSilencesItWhileOneShotSoundsEnd) {
  writeSlotFiles();
  soundInit();
  soundPlay(0);
  soundPlay(SOUND_TURN);
  std::vector<float> s = render(2.5);
  double start = rms(s, SECOND * 3 / 10, SECOND * 8 / 10);  // after the 0.2 s turn sound
  double late = rms(s, 2 * SECOND, 5 * SECOND / 2);
  EXPECT_GT(start, 0.05);
  EXPECT_NEAR(late / start, 1.0, 0.05) << "the engine must still sound after its 1 s file has ended";

  soundStop(0);
  render(0.05);  // the device fades a stopped source out over a few milliseconds
  EXPECT_LT(loudness(0.5), 1e-4);
  soundStop(0);  // stopping a stopped slot changes nothing
  EXPECT_LT(loudness(0.2), 1e-4);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

TEST_F(SoundSlots, OneShotSlotsPlayOnceAndPlayAgainFromTheStart) {
  writeSlotFiles();
  soundInit();
  soundPlay(SOUND_TURN);
  std::vector<float> s = render(0.6);
  EXPECT_GT(rms(s, 0, SECOND / 10), 0.05);
  EXPECT_LT(rms(s, SECOND * 3 / 10, SECOND * 6 / 10), 1e-4) << "the 0.2 s turn sound must not repeat";
  soundPlay(SOUND_TURN);
  EXPECT_GT(loudness(0.1), 0.05);
}

TEST_F(SoundSlots, PlayRestartsAPlayingEngineFromItsFirstByte) {
  // Half a second of silence, then a tone: where the engine stands is audible.
  std::vector<float> samples(11025, 0.0f);
  std::vector<float> tone = sine(441, 22050, 0.5);
  samples.insert(samples.end(), tone.begin(), tone.end());
  writeFile("cyc4.wav", monoWav(22050, samples));
  soundInit();
  soundPlay(1);
  std::vector<float> first = render(0.75);
  EXPECT_LT(rms(first, 0, SECOND * 4 / 10), 1e-4);
  EXPECT_GT(rms(first, SECOND * 6 / 10, SECOND * 3 / 4), 0.05);
  soundPlay(1);
  std::vector<float> again = render(0.75);
  EXPECT_LT(rms(again, SECOND / 20, SECOND * 4 / 10), 1e-3) << "played again, it must start over";
  EXPECT_GT(rms(again, SECOND * 6 / 10, SECOND * 3 / 4), 0.05);
}

TEST_F(SoundSlots, StopKeepsThePositionForTheDeviceToResumeFrom) {
  std::vector<float> samples(11025, 0.0f);
  std::vector<float> tone = sine(441, 22050, 0.5);
  samples.insert(samples.end(), tone.begin(), tone.end());
  writeFile("cyc4.wav", monoWav(22050, samples));
  soundInit();
  soundPlay(0);
  render(0.7);
  soundStop(0);
  render(0.05);
  ASSERT_EQ(soundBufferPlay(soundSlots[0].buffer, 0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_GT(loudness(0.1), 0.05) << "resumed in the tone half, not from the silent start";
}

TEST_F(SoundSlots, FrequencySetsThePlaybackRateWhateverTheFilesOwnRate) {
  writeSlotFiles();
  writeFile("cyc4.wav", monoWav(11025, sine(441, 11025, 1.0)));
  soundInit();
  soundPlay(0);
  std::vector<float> own = render(1.0);
  int ownCrossings = zeroCrossings(own, 0, SECOND);
  EXPECT_NEAR(ownCrossings, 882, 10);  // 441 Hz at the file's own 11025 samples a second

  soundSetFrequency(0, 22050);
  render(0.05);
  std::vector<float> doubled = render(1.0);
  EXPECT_NEAR(zeroCrossings(doubled, 0, SECOND), 1764, 20);

  soundSetFrequency(0, 16537);  // 1.5 times the file's rate
  render(0.05);
  std::vector<float> faster = render(1.0);
  EXPECT_NEAR(zeroCrossings(faster, 0, SECOND), 1323, 20);
}

TEST_F(SoundSlots, VolumeIsInHundredthsOfADecibel) {
  writeSlotFiles();
  soundInit();
  soundPlay(2);
  render(0.05);
  double full = loudness(0.5);
  soundSetVolume(2, -600);
  render(0.05);
  double lower = loudness(0.5);
  EXPECT_NEAR(20 * log10(lower / full), -6.0, 0.3);
  soundSetVolume(2, 0);
  render(0.05);
  EXPECT_NEAR(loudness(0.5) / full, 1.0, 0.02);
}

TEST_F(SoundSlots, PlacedToTheRightIsLouderOnTheRightAndSoForTheLeft) {
  writeSlotFiles();
  soundInit();
  soundPlay(3);
  soundPlace(3, 2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  render(0.05);
  std::vector<float> right = render(0.5);
  double rightLeft = channelRms(right, 0, 0, SECOND / 2), rightRight = channelRms(right, 1, 0, SECOND / 2);
  EXPECT_GT(rightRight, 2.0 * rightLeft);
  soundPlace(3, -2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  render(0.05);
  std::vector<float> left = render(0.5);
  EXPECT_GT(channelRms(left, 0, 0, SECOND / 2), 2.0 * channelRms(left, 1, 0, SECOND / 2));
}

TEST_F(SoundSlots, DistanceFallsOffWithTheRolloffFactorAndStopsAtTheMaximum) {
  writeSlotFiles();
  soundInit();
  soundPlay(4);
  auto loudnessAhead = [](float z) {
    soundPlace(4, 0.0f, 0.0f, z, 0.0f, 0.0f, 0.0f);
    render(0.05);
    return loudness(0.5);
  };
  double atMinimum = loudnessAhead(1.1f);
  // Inverse distance with rolloff 5: 1.1 / (1.1 + 5 * (5.5 - 1.1)).
  EXPECT_NEAR(loudnessAhead(5.5f) / atMinimum, 1.1 / 23.1, 0.005);
  EXPECT_NEAR(loudnessAhead(30.0f) / loudnessAhead(11.1f), 1.0, 0.02) << "no quieter past 11.1";
  EXPECT_NEAR(loudnessAhead(0.5f) / atMinimum, 1.0, 0.02) << "full volume inside 1.1";
}

TEST_F(SoundSlots, ApproachingSoundRisesInPitchByTheDopplerFactor) {
  writeSlotFiles();
  soundInit();
  soundPlay(0);
  soundPlace(0, 0.0f, 0.0f, 5.0f, 0.0f, 0.0f, -20.0f);  // ahead, coming closer at 20 a second
  render(0.05);
  std::vector<float> s = render(1.0);
  // Doppler factor 5: 441 Hz * 343.3 / (343.3 - 5 * 20) = 622 Hz.
  EXPECT_NEAR(zeroCrossings(s, 0, SECOND) / 2.0, 441.0 * 343.3 / 243.3, 8.0);
}

TEST_F(SoundSlots, MissingBoomSilencesSlotFiveOnly) {
  writeSlotFiles(false);
  soundInit();
  EXPECT_EQ(soundSlots[SOUND_BOOM].loaded, 0);
  for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++)
    if (slot != SOUND_BOOM) {
      EXPECT_EQ(soundSlots[slot].loaded, 1) << slot;
    }
  soundPlay(SOUND_BOOM);
  soundPlace(SOUND_BOOM, 1, 1, 1, 0, 0, 0);
  soundSetVolume(SOUND_BOOM, -100);
  EXPECT_LT(loudness(0.3), 1e-6);
  soundPlay(SOUND_BOOM2);
  EXPECT_GT(loudness(0.3), 0.05);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

TEST_F(SoundSlots, BrokenFilesLeaveTheirSlotsSilentAndBuffersNoBiggerThanTheFile) {
  writeSlotFiles();
  // boom.wav: 2000 sample bytes under a data header announcing 4 GB.
  Bytes boom = riff("WAVE", {chunk("fmt ", formatFields(1, 1, 22050, 16))});
  Bytes data = chunk("data", pcm16(sine(300, 22050, 1000.0 / 22050)), 0xFFFFFFFFu);
  boom.insert(boom.end(), data.begin(), data.end());
  uint32_t riffSize = 0xFFFFFFFFu;
  memcpy(&boom[4], &riffSize, 4);
  writeFile("boom.wav", boom);
  // turn2.wav: not PCM. boom2.wav: no data chunk at all.
  Bytes adpcm = formatFields(2, 1, 22050, 4);
  put16(adpcm, 0);
  writeFile("turn2.wav", riff("WAVE", {chunk("fmt ", adpcm), chunk("data", Bytes(100, 1))}));
  writeFile("boom2.wav", riff("WAVE", {chunk("fmt ", formatFields(1, 1, 22050, 16))}));
  soundInit();
  EXPECT_EQ(soundSlots[SOUND_BOOM].loaded, 1);
  EXPECT_EQ(soundSlots[SOUND_BOOM].dataSize, 2000u);
  EXPECT_EQ(soundSlots[SOUND_TURN].loaded, 0);
  EXPECT_EQ(soundSlots[SOUND_TURN].format, nullptr) << "the refused file is closed and freed";
  EXPECT_EQ(soundSlots[SOUND_BOOM2].loaded, 0);
  EXPECT_EQ(soundSlots[0].loaded, 1);
  soundPlay(SOUND_BOOM);
  EXPECT_GT(loudness(0.04), 0.05) << "the bytes that were there play";
}

TEST_F(SoundSlots, AStereoFileInAPlacedSlotStaysSilent) {
  writeSlotFiles();
  // boom.wav in two channels: the device places only mono buffers and refuses it.
  Bytes stereo = pcm16(sine(300, 22050, 1.0));
  writeFile("boom.wav",
            riff("WAVE", {chunk("fmt ", formatFields(1, 2, 22050, 16)), chunk("data", stereo)}));
  soundInit();
  EXPECT_EQ(soundSlots[SOUND_BOOM].loaded, 0);
  EXPECT_EQ(soundSlots[SOUND_BOOM].buffer, nullptr);
  soundPlay(SOUND_BOOM);
  EXPECT_LT(loudness(0.3), 1e-6);
  soundPlay(SOUND_BOOM2);
  EXPECT_GT(loudness(0.3), 0.05) << "the other slots still sound";

  WAVEFORMATEX format{};
  memcpy(&format, formatFields(1, 2, 22050, 16).data(), 16);
  DSBUFFERDESC desc{DS_BUFFER_DESC_SIZE, DSBCAPS_CTRL3D, 1000, 0, &format};
  LPDIRECTSOUNDBUFFER buffer = 0;
  EXPECT_EQ(soundDeviceCreateSoundBuffer(soundDevice, &desc, &buffer), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer, nullptr);
  desc.dwFlags = DSBCAPS_STATIC;  // unplaced, two channels are fine
  EXPECT_EQ(soundDeviceCreateSoundBuffer(soundDevice, &desc, &buffer), DS_OK);
  EXPECT_NE(buffer, nullptr);
}

TEST_F(SoundSlots, APlayTheDeviceRefusesIsReportedOnceAndSilencesTheGame) {
  writeSlotFiles();
  soundInit();
  soundPlay(SOUND_TURN);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
  ALCcontext* context = alcGetCurrentContext();
  ASSERT_NE(context, nullptr);
  alcMakeContextCurrent(0);  // the output is gone from under the game
  soundPlay(SOUND_TURN);
  alcMakeContextCurrent(context);
  expectRefusedPlayToldOnce();
  render(0.3);  // the turn sound played before the loss runs out
  soundPlay(SOUND_TURN);
  soundPlay(0);
  expectRefusedPlayToldOnce();
  EXPECT_LT(loudness(0.2), 1e-6) << "silent for the rest of the game, output back or not";
}

TEST_F(SoundSlots, ShutdownSilencesEverythingAndLaterCallsDoNothing) {
  writeSlotFiles();
  soundInit();
  soundPlay(0);
  soundPlay(SOUND_BOOM);
  render(0.1);
  soundShutdown();
  EXPECT_EQ(soundDevice, nullptr);
  EXPECT_FALSE(loopbackIsOpen());
  soundPlay(0);
  soundStop(0);
  soundSetFrequency(0, 30000);
  soundSetVolume(0, -100);
  soundPlace(0, 1, 2, 3, 4, 5, 6);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
}

}  // namespace
