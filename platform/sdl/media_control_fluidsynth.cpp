// Media control layer on FluidSynth: one sequencer device at a time. "open" loads a General MIDI
// soundfont and checks the song; "play" renders the song into a streaming OpenAL source on the
// output the sound effects use, kept fed by a thread of this layer's own.
#include "platform/media_control.h"

#include <AL/al.h>
#include <fluidsynth.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <atomic>
#include <chrono>
#include <thread>

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
  MAX_ALIAS = 64,
};

struct Sequencer {
  int open;
  char alias[MAX_ALIAS];
  char fileName[MCI_MAX_TOKEN];
  fluid_settings_t* settings;
  fluid_synth_t* synth;
  fluid_player_t* player;
  int rate;
  ALuint source;
  ALuint buffers[STREAM_BUFFERS];
  int haveAl;
  std::thread* feeder;  // on the heap: a thread object must never be destroyed while it runs
  std::atomic<int> feeding;
  int tailLeft;  // touched by the feeder only while it runs
};

static Sequencer sequencer;

static int fileReadable(const char* name) {
  FILE* f = fopen(name, "rb");
  if (!f) return 0;
  fclose(f);
  return 1;
}

// Renders one buffer and queues it. Returns 0 once the song and its tail are over.
static int renderAndQueue(ALuint buffer) {
  static short pcm[STREAM_FRAMES * 2];
  if (fluid_player_get_status(sequencer.player) == FLUID_PLAYER_DONE) {
    if (sequencer.tailLeft <= 0) return 0;
    sequencer.tailLeft--;
  }
  fluid_synth_write_s16(sequencer.synth, STREAM_FRAMES, pcm, 0, 2, pcm, 1, 2);
  alBufferData(buffer, AL_FORMAT_STEREO16, pcm, (ALsizei)sizeof pcm, sequencer.rate);
  alSourceQueueBuffers(sequencer.source, 1, &buffer);
  return 1;
}

static void feedStream() {
  while (sequencer.feeding.load()) {
    ALint processed = 0, queued = 0, state = AL_STOPPED;
    alGetSourcei(sequencer.source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; processed--) {
      ALuint buffer = 0;
      alSourceUnqueueBuffers(sequencer.source, 1, &buffer);
      renderAndQueue(buffer);
    }
    alGetSourcei(sequencer.source, AL_BUFFERS_QUEUED, &queued);
    alGetSourcei(sequencer.source, AL_SOURCE_STATE, &state);
    if (queued == 0) break;  // the song has ended by itself and played out
    if (state != AL_PLAYING) alSourcePlay(sequencer.source);  // ran dry: go on
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

static void stopFeeder() {
  if (sequencer.feeder) {
    sequencer.feeding.store(0);
    sequencer.feeder->join();
    delete sequencer.feeder;
    sequencer.feeder = 0;
  }
}


static void stopStream() {
  stopFeeder();
  if (sequencer.haveAl) {
    alSourceStop(sequencer.source);
    alSourcei(sequencer.source, AL_BUFFER, 0);  // unqueues everything
  }
  if (sequencer.player) {
    fluid_player_stop(sequencer.player);
    delete_fluid_player(sequencer.player);
    sequencer.player = 0;
  }
}

static void closeSequencer() {
  if (!sequencer.open) return;
  stopStream();
  if (sequencer.haveAl) {
    alDeleteSources(1, &sequencer.source);
    alDeleteBuffers(STREAM_BUFFERS, sequencer.buffers);
    sequencer.haveAl = 0;
    openalRelease();
  }
  if (sequencer.synth) delete_fluid_synth(sequencer.synth);
  if (sequencer.settings) delete_fluid_settings(sequencer.settings);
  sequencer.synth = 0;
  sequencer.settings = 0;
  sequencer.open = 0;
  sequencer.alias[0] = '\0';
}

// A song still open when the program ends is closed with it: the feeding thread ends and
// the output is let go before the libraries they use are torn down.
static void closeSequencerAtExit() { closeSequencer(); }

static uint32_t openSequencer(const char* fileName, const char* alias) {
  if (strlen(alias) >= MAX_ALIAS) return MCIERR_INVALID_DEVICE_NAME;
  if (sequencer.open) return strcasecmp(sequencer.alias, alias) == 0 ? MCIERR_DUPLICATE_ALIAS : MCIERR_DEVICE_OPEN;
  if (!fileReadable(fileName)) return MCIERR_FILE_NOT_FOUND;
  if (!fluid_is_midifile(fileName)) return MCIERR_INVALID_FILE;
  const char* soundfont = 0;
  for (const char* candidate : SOUNDFONTS)
    if (!soundfont && fileReadable(candidate)) soundfont = candidate;
  if (!soundfont) return MCIERR_SEQ_NOMIDIPRESENT;
  if (!openalAcquire()) return MCIERR_HARDWARE;

  sequencer.open = 1;  // from here on closeSequencer undoes whatever was made
  snprintf(sequencer.alias, sizeof sequencer.alias, "%s", alias);
  snprintf(sequencer.fileName, sizeof sequencer.fileName, "%s", fileName);
  alGetError();
  alGenSources(1, &sequencer.source);
  if (alGetError() == AL_NO_ERROR) {
    alGenBuffers(STREAM_BUFFERS, sequencer.buffers);
    if (alGetError() == AL_NO_ERROR) sequencer.haveAl = 1;
    else alDeleteSources(1, &sequencer.source);
  }
  if (!sequencer.haveAl) {
    openalRelease();
    closeSequencer();
    return MCIERR_HARDWARE;
  }
  // The song is heard as it is: at the listener, untouched by distance or Doppler.
  alSourcei(sequencer.source, AL_SOURCE_RELATIVE, AL_TRUE);
  alSource3f(sequencer.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  alSourcef(sequencer.source, AL_ROLLOFF_FACTOR, 0.0f);

  sequencer.rate = openalOutputRate();
  sequencer.settings = new_fluid_settings();
  if (sequencer.settings) {
    fluid_settings_setnum(sequencer.settings, "synth.sample-rate", (double)sequencer.rate);
    fluid_settings_setnum(sequencer.settings, "synth.gain", 0.5);
    // Load only the samples of the instruments the song picks: the whole General MIDI
    // soundfont is about 150 MB and reading it all would double the time to the title.
    fluid_settings_setint(sequencer.settings, "synth.dynamic-sample-loading", 1);
    sequencer.synth = new_fluid_synth(sequencer.settings);
  }
  if (!sequencer.synth || fluid_synth_sfload(sequencer.synth, soundfont, 1) == FLUID_FAILED) {
    closeSequencer();
    return MCIERR_SEQ_NOMIDIPRESENT;
  }
  return 0;
}

static uint32_t playSequencer(const char* alias) {
  if (!sequencer.open || strcasecmp(sequencer.alias, alias) != 0) return MCIERR_INVALID_DEVICE_NAME;
  stopStream();  // playing again starts over
  fluid_synth_system_reset(sequencer.synth);
  sequencer.player = new_fluid_player(sequencer.synth);
  if (!sequencer.player) return MCIERR_OUT_OF_MEMORY;
  if (fluid_player_add(sequencer.player, sequencer.fileName) != FLUID_OK ||
      fluid_player_play(sequencer.player) != FLUID_OK) {
    delete_fluid_player(sequencer.player);
    sequencer.player = 0;
    return MCIERR_INVALID_FILE;
  }
  sequencer.tailLeft = TAIL_BUFFERS;
  for (int i = 0; i < STREAM_BUFFERS; i++) renderAndQueue(sequencer.buffers[i]);
  alGetError();
  alSourcePlay(sequencer.source);
  if (alGetError() != AL_NO_ERROR) {
    stopStream();
    return MCIERR_HARDWARE;
  }
  static int exitHookSet = 0;
  if (!exitHookSet) exitHookSet = atexit(closeSequencerAtExit) == 0;
  sequencer.feeding.store(1);
  sequencer.feeder = new std::thread(feedStream);
  return 0;
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
