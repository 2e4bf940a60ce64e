// Media control layer on FluidSynth: one sequencer device at a time. "open" checks the song
// and hands it to a thread of this layer's own, which makes a synthesiser and loads a General
// MIDI soundfont into it, cut to what the song can sound, once the game has started up;
// "play" asks that thread to render the song into a streaming OpenAL source on the output
// the sound effects use, as soon as the soundfont is in. "close all" stops the thread and gives the synthesiser's memory back to
// the system.
#include "platform/media_control.h"

#include <AL/al.h>
#include <malloc.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <time.h>

#include "platform/sdl/fluidsynth_library.h"
#include "platform/sdl/midi_song_use.h"
#include "platform/sdl/soundfont_cut.h"
#include "platform/sdl/startup_phase.h"
#include "platform/shared/mci_command.h"
#include "platform/shared/openal_shared.h"

static const char* const SOUNDFONTS[] = {
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

enum {
  STREAM_BUFFERS = 6,
  STREAM_FRAMES = 2048,        // per buffer: about 46 ms at 44100 Hz
  TAIL_BUFFERS = 24,           // rendered after the song's last event, for its last notes to fade
  FEED_PERIOD_MS = 5,
  STARTUP_WAIT_MS = 1000,      // the longest the soundfont waits for the game's start-up
  MAX_ALIAS = 64,
  MIDI_CHANNELS = 16,
  ALL_CHANNELS = (1 << MIDI_CHANNELS) - 1,
};

struct Sequencer {
  int open;
  char alias[MAX_ALIAS];
  char fileName[MCI_MAX_TOKEN];
  const char* soundfont;
  MidiSongUse song;
  int songRead;             // the song's events could be read through to their end
  unsigned channelsPlayed;  // a bit for each MIDI channel the song plays notes on
  int rate;
  ALuint source;
  ALuint buffers[STREAM_BUFFERS];
  int haveOutput;  // the OpenAL output is held; its context may still be in the making
  int haveAl;      // the stream's source and buffers exist, made with the synthesiser
  pthread_t worker;
  int haveWorker;
  // Shared with the worker, under sequencerLock: what the commands ask of it and how
  // loading went.
  int closing;
  int playsAsked;   // each "play" starts the song over
  int loadFailed;
  // The worker's own while it runs (made before it reads them); freed by "close" after it
  // has ended.
  fluid_settings_t* settings;  // made once start-up is over, with the synthesiser
  fluid_synth_t* synth;
  fluid_player_t* player;
  int tailLeft;
};

static Sequencer sequencer;
// Filled, under sequencerLock, by whichever thread makes the synthesiser first.
static FluidSynthLibrary fluid;
static pthread_mutex_t sequencerLock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t sequencerWake = PTHREAD_COND_INITIALIZER;  // the worker waits on it

static int fileReadable(const char* name) {
  FILE* f = fopen(name, "rb");
  if (!f) return 0;
  fclose(f);
  return 1;
}

// A standard MIDI file opens with the four bytes "MThd", as FluidSynth's own check has it.
static int isMidiFile(const char* name) {
  FILE* f = fopen(name, "rb");
  if (!f) return 0;
  char id[4];
  int isMidi = fread(id, 1, sizeof id, f) == sizeof id && memcmp(id, "MThd", sizeof id) == 0;
  fclose(f);
  return isMidi;
}

// The worker's side: the synthesiser, its soundfont and the stream.

// Renders one buffer and queues it. Returns 0 once the song and its tail are over.
static int renderAndQueue(ALuint buffer) {
  static short pcm[STREAM_FRAMES * 2];
  if (fluid.playerGetStatus(sequencer.player) == FLUID_PLAYER_DONE) {
    if (sequencer.tailLeft <= 0) return 0;
    sequencer.tailLeft--;
  }
  fluid.synthWriteS16(sequencer.synth, STREAM_FRAMES, pcm, 0, 2, pcm, 1, 2);
  alBufferData(buffer, AL_FORMAT_STEREO16, pcm, (ALsizei)sizeof pcm, sequencer.rate);
  alSourceQueueBuffers(sequencer.source, 1, &buffer);
  return 1;
}

// Starts the song from the beginning. Returns 0 when it cannot be played.
static int startSong() {
  fluid.synthSystemReset(sequencer.synth);
  // The reset gives every channel the grand piano, whose samples (7.5 MB of FluidR3_GM) a
  // channel keeps loaded as long as it holds it: channels the song plays no note on let go.
  for (int channel = 0; channel < MIDI_CHANNELS; channel++)
    if (!(sequencer.channelsPlayed & (1u << channel))) fluid.synthUnsetProgram(sequencer.synth, channel);
  sequencer.player = fluid.newPlayer(sequencer.synth);
  if (!sequencer.player) return 0;
  if (fluid.playerAdd(sequencer.player, sequencer.fileName) != FLUID_OK ||
      fluid.playerPlay(sequencer.player) != FLUID_OK)
    return 0;
  sequencer.tailLeft = TAIL_BUFFERS;
  for (int i = 0; i < STREAM_BUFFERS; i++) renderAndQueue(sequencer.buffers[i]);
  // The song's first events have picked its presets and the piano's samples are freed:
  // hand their pages back, or this thread's allocator arena keeps them resident.
  malloc_trim(0);
  alGetError();
  alSourcePlay(sequencer.source);
  return alGetError() == AL_NO_ERROR;
}

// Refills the buffers played since the last call. Returns 0 once the song has played out.
static int feedSong() {
  ALint processed = 0, queued = 0, state = AL_STOPPED;
  alGetSourcei(sequencer.source, AL_BUFFERS_PROCESSED, &processed);
  for (; processed > 0; processed--) {
    ALuint buffer = 0;
    alSourceUnqueueBuffers(sequencer.source, 1, &buffer);
    renderAndQueue(buffer);
  }
  alGetSourcei(sequencer.source, AL_BUFFERS_QUEUED, &queued);
  alGetSourcei(sequencer.source, AL_SOURCE_STATE, &state);
  if (queued == 0) return 0;
  if (state != AL_PLAYING) alSourcePlay(sequencer.source);  // ran dry: go on
  return 1;
}

static void stopSong() {
  alSourceStop(sequencer.source);
  alSourcei(sequencer.source, AL_BUFFER, 0);  // unqueues everything
  if (sequencer.player) {
    fluid.playerStop(sequencer.player);
    fluid.deletePlayer(sequencer.player);
    sequencer.player = 0;
  }
}

static void waitFeedPeriod() {
  timespec until;
  clock_gettime(CLOCK_REALTIME, &until);
  until.tv_nsec += FEED_PERIOD_MS * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec++;
    until.tv_nsec -= 1000000000L;
  }
  pthread_cond_timedwait(&sequencerWake, &sequencerLock, &until);
}

// The stream's source and buffers, and the rate the synthesiser renders at: made with the
// synthesiser, once start-up is over and the output's context is surely made.
static int makeStream() {
  if (sequencer.haveAl) return 1;
  if (!openalAwaitOutput()) return 0;
  alGetError();
  alGenSources(1, &sequencer.source);
  if (alGetError() != AL_NO_ERROR) return 0;
  alGenBuffers(STREAM_BUFFERS, sequencer.buffers);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteSources(1, &sequencer.source);
    return 0;
  }
  sequencer.haveAl = 1;
  // The song is heard as it is: at the listener, untouched by distance or Doppler.
  alSourcei(sequencer.source, AL_SOURCE_RELATIVE, AL_TRUE);
  alSource3f(sequencer.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  alSourcef(sequencer.source, AL_ROLLOFF_FACTOR, 0.0f);
  sequencer.rate = openalOutputRate();
  return 1;
}

static int makeSynthesiser() {
  if (!makeStream()) return 0;
  static int haveLibrary = 0;
  if (!haveLibrary) haveLibrary = loadFluidSynth(&fluid);
  if (!haveLibrary) return 0;
  sequencer.settings = fluid.newSettings();
  if (!sequencer.settings) return 0;
  fluid.settingsSetnum(sequencer.settings, "synth.sample-rate", (double)sequencer.rate);
  fluid.settingsSetnum(sequencer.settings, "synth.gain", 0.5);
  // Load only the samples of the instruments the song picks: the whole General MIDI
  // soundfont is about 150 MB.
  fluid.settingsSetint(sequencer.settings, "synth.dynamic-sample-loading", 1);
  // The song starts on a synthesiser reset here, before the player: the player's own would
  // give the channels the song leaves alone their default preset back.
  fluid.settingsSetint(sequencer.settings, "player.reset-synth", 0);
  sequencer.synth = fluid.newSynth(sequencer.settings);
  if (sequencer.synth && fluid.newDefsfloader) {
    // Soundfonts are read through the layer's own file callbacks, which can serve one cut
    // down to the song.
    fluid_sfloader_t* loader = fluid.newDefsfloader(sequencer.settings);
    if (loader && fluid.sfloaderSetCallbacks(loader, cutSoundfontOpen, cutSoundfontRead, cutSoundfontSeek,
                                             cutSoundfontTell, cutSoundfontClose) == FLUID_OK)
      fluid.synthAddSfloader(sequencer.synth, loader);
    else if (loader)
      fluid.deleteSfloader(loader);
  }
  return sequencer.synth != 0;
}

// The synthesiser is made on the game's thread when start-up ends: the first one sets up
// FluidSynth's lasting state, which made on the loading thread would sit among the samples in
// that thread's allocator arena and keep part of it resident after "close".
static void makeSynthesiserOnGameThread() {
  pthread_mutex_lock(&sequencerLock);
  if (sequencer.open && !sequencer.closing && !sequencer.synth) makeSynthesiser();
  pthread_mutex_unlock(&sequencerLock);
}

// Reads the soundfont into the synthesiser, then plays the song each time "play" asks, until
// "close" ends it. Making the synthesiser and reading the soundfont take tens of milliseconds
// of processor: on a machine with few cores, done during start-up they hold back the title,
// so they wait until it is up.
static void* runSequencer(void*) {
  waitForStartupOver(STARTUP_WAIT_MS);
  pthread_mutex_lock(&sequencerLock);
  int made = sequencer.synth || makeSynthesiser();  // here only when no main loop came
  pthread_mutex_unlock(&sequencerLock);
  // Only what the song can sound is loaded; a song that cannot be read through, or a font
  // that cannot be cut, gets the whole font.
  if (made && sequencer.songRead) cutSoundfontForSong(sequencer.soundfont, &sequencer.song);
  int loaded = made && fluid.synthSfload(sequencer.synth, sequencer.soundfont, 1) != FLUID_FAILED;
  int played = 0;
  pthread_mutex_lock(&sequencerLock);
  sequencer.loadFailed = !loaded;
  while (!sequencer.closing) {
    if (!loaded || sequencer.playsAsked == played) {
      pthread_cond_wait(&sequencerWake, &sequencerLock);
      continue;
    }
    played = sequencer.playsAsked;
    pthread_mutex_unlock(&sequencerLock);
    int playing = startSong();
    pthread_mutex_lock(&sequencerLock);
    while (playing && !sequencer.closing && sequencer.playsAsked == played) {
      pthread_mutex_unlock(&sequencerLock);
      playing = feedSong();
      pthread_mutex_lock(&sequencerLock);
      if (playing) waitFeedPeriod();
    }
    pthread_mutex_unlock(&sequencerLock);
    stopSong();
    pthread_mutex_lock(&sequencerLock);
  }
  pthread_mutex_unlock(&sequencerLock);
  return 0;
}

// The commands' side, on the game's thread.

static void closeSequencer() {
  if (!sequencer.open) return;
  if (sequencer.haveWorker) {
    pthread_mutex_lock(&sequencerLock);
    sequencer.closing = 1;
    pthread_cond_signal(&sequencerWake);
    pthread_mutex_unlock(&sequencerLock);
    noteStartupOver();  // a worker still waiting for the game's start-up stops waiting
    pthread_join(sequencer.worker, 0);  // a soundfont still loading is waited out, then dropped
    sequencer.haveWorker = 0;
  }
  if (sequencer.haveAl) {
    alDeleteSources(1, &sequencer.source);
    alDeleteBuffers(STREAM_BUFFERS, sequencer.buffers);
    sequencer.haveAl = 0;
  }
  if (sequencer.haveOutput) {
    sequencer.haveOutput = 0;
    openalRelease();
  }
  if (sequencer.synth) fluid.deleteSynth(sequencer.synth);
  if (sequencer.settings) fluid.deleteSettings(sequencer.settings);
  dropSoundfontCut();  // after the synthesiser: it reads from the cut until deleted
  sequencer.synth = 0;
  sequencer.settings = 0;
  sequencer.closing = 0;
  sequencer.playsAsked = 0;
  sequencer.loadFailed = 0;
  sequencer.open = 0;
  sequencer.alias[0] = '\0';
  // The samples were read on the worker, into an allocator arena of its own that the C
  // library keeps after the thread has gone: hand the freed pages back, or the song's
  // tens of megabytes stay resident for the rest of the game.
  malloc_trim(0);
}

// A song still open when the program ends is closed with it: the worker ends and the
// output is let go before the libraries they use are torn down.
static void closeSequencerAtExit() { closeSequencer(); }

static uint32_t openSequencer(const char* fileName, const char* alias) {
  if (strlen(alias) >= MAX_ALIAS) return MCIERR_INVALID_DEVICE_NAME;
  if (sequencer.open) return strcasecmp(sequencer.alias, alias) == 0 ? MCIERR_DUPLICATE_ALIAS : MCIERR_DEVICE_OPEN;
  if (!fileReadable(fileName)) return MCIERR_FILE_NOT_FOUND;
  if (!isMidiFile(fileName)) return MCIERR_INVALID_FILE;
  const char* soundfont = 0;
  for (const char* candidate : SOUNDFONTS)
    if (!soundfont && fileReadable(candidate)) soundfont = candidate;
  if (!soundfont) return MCIERR_SEQ_NOMIDIPRESENT;
  // Whether there is an output is known at once; its context is left to be made.
  if (!openalAcquire()) return MCIERR_HARDWARE;

  sequencer.open = 1;  // from here on closeSequencer undoes whatever was made
  sequencer.haveOutput = 1;
  snprintf(sequencer.alias, sizeof sequencer.alias, "%s", alias);
  snprintf(sequencer.fileName, sizeof sequencer.fileName, "%s", fileName);
  sequencer.soundfont = soundfont;
  sequencer.songRead = readMidiSongUse(fileName, &sequencer.song);
  // A song whose events cannot all be read may play notes anywhere.
  sequencer.channelsPlayed = sequencer.songRead ? sequencer.song.channelsWithNotes : (unsigned)ALL_CHANNELS;

  static int exitHookSet = 0;
  if (!exitHookSet) exitHookSet = atexit(closeSequencerAtExit) == 0;
  // Reading the soundfont takes longer than the rest of start-up before the title: it is
  // read beside the game, once the title is up.
  runWhenStartupIsOver(makeSynthesiserOnGameThread);
  if (pthread_create(&sequencer.worker, 0, runSequencer, 0) != 0) {
    closeSequencer();
    return MCIERR_OUT_OF_MEMORY;
  }
  sequencer.haveWorker = 1;
  return 0;
}

// The song starts as soon as the soundfont is in; a soundfont that could not be read
// leaves the device silent.
static uint32_t playSequencer(const char* alias) {
  if (!sequencer.open || strcasecmp(sequencer.alias, alias) != 0) return MCIERR_INVALID_DEVICE_NAME;
  pthread_mutex_lock(&sequencerLock);
  int failed = sequencer.loadFailed;
  if (!failed) {
    sequencer.playsAsked++;
    pthread_cond_signal(&sequencerWake);
  }
  pthread_mutex_unlock(&sequencerLock);
  return failed ? MCIERR_SEQ_NOMIDIPRESENT : 0;
}

uint32_t mciSendString(const char* command, char* reply, uint32_t replyLength, WindowHandle) {
  if (reply && replyLength > 0) reply[0] = '\0';
  static MciCommand parsed;
  switch (parseMciCommand(command, &parsed)) {
    case MCI_COMMAND_CLOSE_ALL:
      closeSequencer();
      return 0;
    case MCI_COMMAND_OPEN_SEQUENCER:
      return openSequencer(parsed.file, parsed.alias);
    case MCI_COMMAND_PLAY_FROM_START:
      return playSequencer(parsed.alias);
    default:
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
}
