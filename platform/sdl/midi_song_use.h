// What a standard MIDI file asks of a synthesiser, channel by channel: the keys it plays and
// the programs and banks it selects, whichever track sends them.
#pragma once
#include <stdint.h>

enum {
  MIDI_SONG_CHANNELS = 16,
  MIDI_DRUM_CHANNEL = 9,
  MIDI_DRUM_BANK = 128,
  MIDI_BANKS = MIDI_DRUM_BANK + 1,
  MIDI_PROGRAMS = 128,
  MIDI_PRESETS = MIDI_BANKS * MIDI_PROGRAMS,  // a preset's index: bank * MIDI_PROGRAMS + program
};

typedef uint32_t MidiKeySet[4];  // a bit for each key

struct MidiSongUse {
  unsigned channelsWithNotes;                // a bit for each channel a note sounds on
  MidiKeySet keys[MIDI_SONG_CHANNELS];       // a bit for each key a note sounds on
  uint32_t programs[MIDI_SONG_CHANNELS][4];  // a bit for each program change's program
  uint32_t banks[MIDI_SONG_CHANNELS][4];     // a bit for each bank select (controller 0) value
  int systemExclusive;                       // the song sends system-exclusive messages
};

// Reads the song. Returns 0, with `use` cleared, when the file cannot be read through to its
// end as a standard MIDI file: then it needs the whole soundfont.
int readMidiSongUse(const char* fileName, MidiSongUse* use);

// The keys each preset (MIDI_PRESETS of them) may sound, into `presetKeys`: a preset the song
// needs has one at least. Returns 0, with none set, when the song needs the whole soundfont:
// it sends system-exclusive messages, which can reset channels or make one a drum part. The
// page (music.js) and the site's cut (tools/cut_soundfont.py) read songs alike.
int midiSongPresetKeys(const MidiSongUse* use, MidiKeySet* presetKeys);

inline int midiBitSet(const uint32_t* bits, int n) { return (bits[n >> 5] >> (n & 31)) & 1; }
