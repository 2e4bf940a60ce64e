// What a standard MIDI file asks of a synthesiser, channel by channel: the keys it plays and
// the programs and banks it selects, whichever track sends them.
#pragma once
#include <stdint.h>

enum { MIDI_SONG_CHANNELS = 16, MIDI_DRUM_CHANNEL = 9 };

struct MidiSongUse {
  unsigned channelsWithNotes;                // a bit for each channel a note sounds on
  uint32_t keys[MIDI_SONG_CHANNELS][4];      // a bit for each key a note sounds on
  uint32_t programs[MIDI_SONG_CHANNELS][4];  // a bit for each program change's program
  uint32_t banks[MIDI_SONG_CHANNELS][4];     // a bit for each bank select (controller 0) value
  int systemExclusive;                       // the song sends system-exclusive messages
};

// Reads the song. Returns 0, with `use` cleared, when the file cannot be read through to its
// end as a standard MIDI file.
int readMidiSongUse(const char* fileName, MidiSongUse* use);

inline int midiBitSet(const uint32_t* bits, int n) { return (bits[n >> 5] >> (n & 31)) & 1; }
