// The title song through FluidSynth into the loopback output.
#include <gtest/gtest.h>

#include <fluidsynth.h>
#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "audio/music.h"
#include "audio/sound_slots.h"
#include "audio_test_support.h"
#include "openal_loopback_device.h"
#include "platform/media_control.h"
#include "platform/sdl/startup_phase.h"

// Seams linked in with --wrap: the soundfont load can be held until the media layer joins
// its loading thread, the songs FluidSynth starts are counted, and the loading thread's wait
// for the end of start-up is seen (and, where a test asks, waits for nothing else).
namespace {
std::mutex gateLock;
std::condition_variable gateMoved;
int holdSoundfont = 0;
int soundfontReadOffThread = 0;
int soundfontLoads = 0;
int presetsLoaded = -1;  // in the soundfont as the layer loaded it
int synthMadeOnTestThread = 0;
int samplesLoadedOnDemand = -1;  // the synthesiser's synth.dynamic-sample-loading
unsigned channelsUnset = 0;      // a bit for each channel whose preset was taken away
int playerResetsSynth = -1;      // the synthesiser's player.reset-synth
int songsStarted = 0;
int startupWaiters = 0;
int startupWaitUnbounded = 0;
pthread_t testThread;

void openGate() {
  std::lock_guard<std::mutex> hold(gateLock);
  holdSoundfont = 0;
  gateMoved.notify_all();
}
}  // namespace

extern "C" {
struct _fluid_synth_t;
struct _fluid_player_t;
struct _fluid_hashtable_t;
_fluid_synth_t* __real_new_fluid_synth(_fluid_hashtable_t* settings);
int fluid_settings_getint(_fluid_hashtable_t* settings, const char* name, int* value);
int __real_fluid_synth_sfload(_fluid_synth_t* synth, const char* file, int reset);
int __real_fluid_player_play(_fluid_player_t* player);
int __real_fluid_synth_unset_program(_fluid_synth_t* synth, int channel);
int __real_pthread_join(pthread_t thread, void** result);
void __real__Z18waitForStartupOveri(int maxMilliseconds);

// waitForStartupOver(int)
void __wrap__Z18waitForStartupOveri(int maxMilliseconds) {
  {
    std::lock_guard<std::mutex> hold(gateLock);
    startupWaiters++;
    gateMoved.notify_all();
    // Only the end of start-up moves it on: no stall of the test thread can let the
    // layer's own fallback time run out first.
    if (startupWaitUnbounded) maxMilliseconds = 60000;
  }
  __real__Z18waitForStartupOveri(maxMilliseconds);
}

int __wrap_fluid_synth_sfload(_fluid_synth_t* synth, const char* file, int reset) {
  {
    std::unique_lock<std::mutex> hold(gateLock);
    soundfontReadOffThread = !pthread_equal(pthread_self(), testThread);
    soundfontLoads++;
    // Bounded, so a load on the test's own thread shows as a failure, not a hang.
    gateMoved.wait_for(hold, std::chrono::seconds(3), [] { return !holdSoundfont; });
  }
  int id = __real_fluid_synth_sfload(synth, file, reset);
  if (id != FLUID_FAILED) {
    fluid_sfont_t* font = fluid_synth_get_sfont_by_id(synth, id);
    int presets = 0;
    fluid_sfont_iteration_start(font);
    while (fluid_sfont_iteration_next(font)) presets++;
    std::lock_guard<std::mutex> hold(gateLock);
    presetsLoaded = presets;
  }
  return id;
}
_fluid_synth_t* __wrap_new_fluid_synth(_fluid_hashtable_t* settings) {
  {
    std::lock_guard<std::mutex> hold(gateLock);
    synthMadeOnTestThread = pthread_equal(pthread_self(), testThread);
    if (fluid_settings_getint(settings, "synth.dynamic-sample-loading", &samplesLoadedOnDemand) != 0)
      samplesLoadedOnDemand = -1;
    if (fluid_settings_getint(settings, "player.reset-synth", &playerResetsSynth) != 0) playerResetsSynth = -1;
  }
  return __real_new_fluid_synth(settings);
}
int __wrap_fluid_player_play(_fluid_player_t* player) {
  {
    std::lock_guard<std::mutex> hold(gateLock);
    songsStarted++;
  }
  return __real_fluid_player_play(player);
}
int __wrap_fluid_synth_unset_program(_fluid_synth_t* synth, int channel) {
  {
    std::lock_guard<std::mutex> hold(gateLock);
    channelsUnset |= 1u << channel;
  }
  return __real_fluid_synth_unset_program(synth, channel);
}
// "close all" has asked the loading thread to end before it joins it.
int __wrap_pthread_join(pthread_t thread, void** result) {
  openGate();
  return __real_pthread_join(thread, result);
}
}

namespace {

// Renders in small pieces with pauses, so the song's feeding thread keeps the stream full.
std::vector<float> renderPaced(double seconds) {
  const int piece = 1024;
  std::vector<float> out;
  std::vector<float> part(piece * 2);
  int frames = (int)(seconds * LOOPBACK_RATE);
  for (int done = 0; done < frames; done += piece) {
    renderLoopback(part.data(), piece);
    out.insert(out.end(), part.begin(), part.end());
    std::this_thread::sleep_for(std::chrono::milliseconds(8));
  }
  return out;
}

// The soundfont loads beside the caller, so the song starts a little after it is asked for:
// renders (up to 30 s) until it is heard, then `seconds` more from there.
std::vector<float> renderFromFirstSound(double seconds) {
  std::vector<float> piece;
  for (int i = 0; i < 300; i++) {
    piece = renderPaced(0.1);
    if (rms(piece, 0, piece.size() / 2) > 0.0) break;
  }
  std::vector<float> rest = renderPaced(seconds);
  piece.insert(piece.end(), rest.begin(), rest.end());
  return piece;
}

class Music : public ::testing::Test {
 protected:
  void SetUp() override {
    testThread = pthread_self();
    soundfontReadOffThread = 0;
    soundfontLoads = 0;
    presetsLoaded = -1;
    synthMadeOnTestThread = 0;
    samplesLoadedOnDemand = -1;
    channelsUnset = 0;
    playerResetsSynth = -1;
    songsStarted = 0;
    holdSoundfont = 0;
    startupWaiters = 0;
    startupWaitUnbounded = 0;
    enterTempDir();
    writeFile("vask.mid", readFile(std::string(VASK_DATA_DIR) + "/vask.mid"));
  }
  void TearDown() override {
    stopMusic();
    soundShutdown();
  }
};

TEST_F(Music, TheSongPlaysAndStopsAtOnce) {
  ASSERT_EQ(playMusicFile("vask.mid"), 1);
  std::vector<float> s = renderFromFirstSound(3.0);
  double level = rms(s, 0, s.size() / 2);
  EXPECT_GT(level, 0.01) << "the song must be heard";
  // It keeps going: the last second is as busy as the ones before it.
  EXPECT_GT(rms(s, 2 * LOOPBACK_RATE, 3 * LOOPBACK_RATE), 0.3 * level);
  EXPECT_EQ(stopMusic(), 1);
  EXPECT_FALSE(loopbackIsOpen()) << "closing releases the output";
  std::vector<float> after = renderPaced(0.2);
  EXPECT_EQ(rms(after, 0, after.size() / 2), 0.0);
}

TEST_F(Music, TheSoundfontWaitsUntilTheGameHasStartedUp) {
  // Each test is a process of its own, so start-up is not over yet.
  startupWaitUnbounded = 1;
  ASSERT_EQ(playMusicFile("vask.mid"), 1);
  {
    std::unique_lock<std::mutex> hold(gateLock);
    ASSERT_TRUE(gateMoved.wait_for(hold, std::chrono::seconds(20), [] { return startupWaiters > 0; }))
        << "the song's loading thread never waits for start-up to end";
    EXPECT_EQ(soundfontLoads, 0) << "the soundfont was read while the game was starting up";
  }
  noteStartupOver();
  // Made on the game's thread, FluidSynth's lasting state stays out of the loading thread's
  // allocator arena, which "close all" can then hand back whole.
  EXPECT_TRUE(synthMadeOnTestThread) << "the synthesiser is made as start-up ends, on the game's thread";
  // Of the General MIDI soundfont's 140 MB, only the samples of the presets the song picks.
  EXPECT_EQ(samplesLoadedOnDemand, 1) << "the synthesiser loads every sample of the soundfont";
  std::vector<float> s = renderFromFirstSound(0.5);
  EXPECT_GT(rms(s, 0, s.size() / 2), 0.01) << "the song must be heard once start-up is over";
}

TEST_F(Music, ASongShorterThanTheTitleEndsAndTheTitleStaysSilent) {
  // One quarter-second note: a format 0 file at 480 ticks a beat and 120 beats a minute.
  Bytes song = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                'M', 'T', 'r', 'k', 0, 0, 0, 13,
                0x00, 0x90, 60, 100, 0x81, 0x70, 0x80, 60, 64, 0x00, 0xFF, 0x2F, 0x00};
  writeFile("short.mid", song);
  ASSERT_EQ(playMusicFile("short.mid"), 1);
  std::vector<float> s = renderFromFirstSound(4.5);
  EXPECT_GT(rms(s, 0, LOOPBACK_RATE / 2), 0.01) << "the note must be heard";
  // The note and its fading tail end well before the last 1.5 s; nothing starts it again.
  EXPECT_LT(rms(s, 3 * LOOPBACK_RATE, s.size() / 2), 1e-3);
}

// The reset before a song gives every channel the grand piano, whose samples a channel keeps
// loaded while it holds it: the channels the song plays no note on give it up; a song that
// cannot be read through keeps them all.
TEST_F(Music, ChannelsTheSongLeavesAloneHoldNoPreset) {
  // An organ note on channel 4 and a drum on channel 10; channel 6 only changes its program.
  Bytes song = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                'M', 'T', 'r', 'k', 0, 0, 0, 27,
                0x00, 0xC3, 19, 0x00, 0xC5, 5, 0x00, 0x93, 60, 100, 0x00, 0x99, 36, 100,
                0x83, 0x60, 0x83, 60, 64, 0x00, 0x89, 36, 64, 0x00, 0xFF, 0x2F, 0x00};
  writeFile("two.mid", song);
  ASSERT_EQ(playMusicFile("two.mid"), 1);
  std::vector<float> s = renderFromFirstSound(0.3);
  EXPECT_GT(rms(s, 0, s.size() / 2), 0.01) << "the organ and the drum must be heard";
  {
    std::lock_guard<std::mutex> hold(gateLock);
    EXPECT_EQ(channelsUnset, 0xFFFFu & ~(1u << 3 | 1u << 9));
    EXPECT_EQ(playerResetsSynth, 0) << "the player's own reset gives the channels their piano back";
  }
  EXPECT_EQ(stopMusic(), 1);

  song[21] = 40;  // the track now claims more bytes than the file has
  writeFile("cut.mid", song);
  {
    std::lock_guard<std::mutex> hold(gateLock);
    channelsUnset = 0;
    songsStarted = 0;
  }
  ASSERT_EQ(playMusicFile("cut.mid"), 1);
  for (int i = 0; i < 200; i++) {
    {
      std::lock_guard<std::mutex> hold(gateLock);
      if (songsStarted) break;
    }
    renderPaced(0.1);
  }
  std::lock_guard<std::mutex> hold(gateLock);
  ASSERT_EQ(songsStarted, 1);
  EXPECT_EQ(channelsUnset, 0u);
}

// The soundfont is cut to the presets the song can pick (six of FluidR3_GM's 189), so only
// their records are made and only their samples read.
TEST_F(Music, TheSoundfontHoldsOnlyWhatTheSongCanSound) {
  ASSERT_EQ(playMusicFile("vask.mid"), 1);
  std::vector<float> s = renderFromFirstSound(0.1);
  EXPECT_GT(rms(s, 0, s.size() / 2), 0.01) << "the song must be heard";
  std::lock_guard<std::mutex> hold(gateLock);
  EXPECT_GT(presetsLoaded, 0);
  EXPECT_LE(presetsLoaded, 12);
}

TEST_F(Music, CloseAllBeforeTheSoundfontIsInCancelsTheSong) {
  holdSoundfont = 1;  // until "close all" joins the loading thread
  ASSERT_EQ(playMusicFile("vask.mid"), 1);
  EXPECT_EQ(stopMusic(), 1);
  EXPECT_TRUE(soundfontReadOffThread) << "the soundfont is read beside the game's thread";
  EXPECT_EQ(songsStarted, 0) << "a song closed while its soundfont loaded never starts";
  EXPECT_FALSE(loopbackIsOpen());
  // Closing leaves nothing behind: the song opened next plays.
  ASSERT_EQ(playMusicFile("vask.mid"), 1);
  std::vector<float> s = renderFromFirstSound(1.0);
  EXPECT_GT(rms(s, 0, s.size() / 2), 0.01);
  EXPECT_EQ(songsStarted, 1);
}

TEST_F(Music, SongAndEffectsShareOneOutput) {
  writeFile("cyc4.wav", monoWav(22050, sine(441, 22050, 1.0)));
  soundInit();
  ASSERT_EQ(playMusicFile("vask.mid"), 1);
  EXPECT_EQ(loopbackOpenCount(), 1);
  soundShutdown();
  EXPECT_TRUE(loopbackIsOpen()) << "the song still holds the output";
  std::vector<float> s = renderFromFirstSound(1.5);
  EXPECT_GT(rms(s, 0, s.size() / 2), 0.01);
  stopMusic();
  EXPECT_FALSE(loopbackIsOpen());
}

TEST_F(Music, WithoutTheSongOrWithABadOneTheTitleIsSilent) {
  EXPECT_EQ(playMusicFile("missing.mid"), 0);
  writeFile("bad.mid", Bytes{'n', 'o', 't', ' ', 'm', 'i', 'd', 'i'});
  EXPECT_EQ(playMusicFile("bad.mid"), 0);
  EXPECT_FALSE(loopbackIsOpen());
  std::string longName(300, 'x');
  EXPECT_EQ(playMusicFile(longName.c_str()), 0) << "a name that does not fit the command is refused";
  EXPECT_EQ(stopMusic(), 1);
  // Play then starts normally: the effects open the output as usual.
  writeFile("cyc4.wav", monoWav(22050, sine(441, 22050, 1.0)));
  soundInit();
  soundPlay(0);
  std::vector<float> s = renderPaced(0.3);
  EXPECT_GT(rms(s, 0, s.size() / 2), 0.05);
}

TEST_F(Music, TheProgramEndsCleanlyWhileTheSongPlays) {
  // Closing the window on the title ends the process with the song still open.
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        if (playMusicFile("vask.mid") != 1) exit(3);
        renderPaced(0.1);
        exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Music, OnlyTheThreeCommandsAreUnderstood) {
  EXPECT_EQ(mciSendString("open vask.mid type sequencer alias MUSIC", 0, 0, 0), 0u);
  EXPECT_NE(mciSendString("play MUSIC", 0, 0, 0), 0u);
  EXPECT_NE(mciSendString("play MUSIC from 10", 0, 0, 0), 0u);
  EXPECT_NE(mciSendString("play OTHER from 0", 0, 0, 0), 0u);
  EXPECT_NE(mciSendString("open vask.mid type waveaudio alias M2", 0, 0, 0), 0u);
  EXPECT_NE(mciSendString("open vask.mid type sequencer alias MUSIC", 0, 0, 0), 0u) << "alias in use";
  EXPECT_NE(mciSendString("stop MUSIC", 0, 0, 0), 0u);
  EXPECT_NE(mciSendString("", 0, 0, 0), 0u);
  EXPECT_NE(mciSendString("close", 0, 0, 0), 0u);
  char reply[8] = "junk";
  EXPECT_EQ(mciSendString("play music from 0", reply, sizeof reply, 0), 0u) << "aliases ignore case";
  EXPECT_STREQ(reply, "");
  EXPECT_EQ(mciSendString("close all", 0, 0, 0), 0u);
  EXPECT_EQ(mciSendString("close all", 0, 0, 0), 0u) << "closing with nothing open succeeds";
}

}  // namespace
