// Walks every event of every track of a standard MIDI file, trusting none of its lengths.
#include "platform/sdl/midi_song_use.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { MAX_SONG_BYTES = 16 * 1024 * 1024 };

static void setBit(uint32_t* bits, int n) { bits[n >> 5] |= 1u << (n & 31); }

// Reads a variable-length quantity; 0 when it runs past `end` or over four bytes.
static int readVarLen(const unsigned char** at, const unsigned char* end, unsigned long* value) {
  *value = 0;
  for (int i = 0; i < 4 && *at < end; i++) {
    unsigned char byte = *(*at)++;
    *value = (*value << 7) | (byte & 0x7F);
    if (!(byte & 0x80)) return 1;
  }
  return 0;
}

static int readTrack(const unsigned char* at, const unsigned char* trackEnd, MidiSongUse* use) {
  unsigned char status = 0;
  while (at < trackEnd) {
    unsigned long skip = 0;
    if (!readVarLen(&at, trackEnd, &skip) || at >= trackEnd) return 0;  // the delta time
    if (*at & 0x80) status = *at++;
    if (status == 0xFF) {  // a meta event: its type, then its length
      if (at >= trackEnd) return 0;
      ++at;
      if (!readVarLen(&at, trackEnd, &skip)) return 0;
    } else if (status == 0xF0 || status == 0xF7) {
      use->systemExclusive = 1;
      if (!readVarLen(&at, trackEnd, &skip)) return 0;
    } else if (status >= 0x80 && status < 0xF0) {
      const int command = status & 0xF0, channel = status & 0x0F;
      const int dataBytes = command == 0xC0 || command == 0xD0 ? 1 : 2;
      if (trackEnd - at < dataBytes || (at[0] & 0x80) || (dataBytes == 2 && (at[1] & 0x80))) return 0;
      if (command == 0x90 && at[1] > 0) {
        use->channelsWithNotes |= 1u << channel;
        setBit(use->keys[channel], at[0]);
      } else if (command == 0xC0) {
        setBit(use->programs[channel], at[0]);
      } else if (command == 0xB0 && at[0] == 0) {
        setBit(use->banks[channel], at[1]);
      }
      skip = (unsigned long)dataBytes;
    } else {
      return 0;  // a system message, or data without a status
    }
    if (skip > (unsigned long)(trackEnd - at)) return 0;
    at += skip;
  }
  return 1;
}

int readMidiSongUse(const char* fileName, MidiSongUse* use) {
  memset(use, 0, sizeof *use);
  FILE* f = fopen(fileName, "rb");
  if (!f) return 0;
  long size = fseek(f, 0, SEEK_END) == 0 ? ftell(f) : -1;
  unsigned char* song = size >= 14 && size <= MAX_SONG_BYTES ? (unsigned char*)malloc((size_t)size) : 0;
  int ok = song && fseek(f, 0, SEEK_SET) == 0 && fread(song, 1, (size_t)size, f) == (size_t)size &&
           memcmp(song, "MThd", 4) == 0;
  fclose(f);
  const unsigned char* end = song + (ok ? size : 0);
  const unsigned char* at = song;
  if (ok) {
    unsigned long header = (unsigned long)song[4] << 24 | song[5] << 16 | song[6] << 8 | song[7];
    ok = header <= (unsigned long)(size - 8);
    if (ok) at += 8 + header;
  }
  while (ok && at < end) {
    if (end - at < 8) {
      ok = 0;
      break;
    }
    unsigned long length = (unsigned long)at[4] << 24 | at[5] << 16 | at[6] << 8 | at[7];
    const int isTrack = memcmp(at, "MTrk", 4) == 0;
    at += 8;
    if (length > (unsigned long)(end - at)) {
      ok = 0;
      break;
    }
    if (isTrack) ok = readTrack(at, at + length, use);
    at += length;
  }
  free(song);
  if (!ok) memset(use, 0, sizeof *use);
  return ok;
}

// A channel may pick any pairing of the banks and programs it selects, in whatever order its
// tracks send them, and of program 0 and the bank it starts on: bank 0, or the drum kits' bank
// on the drum channel, where bank select does nothing (FluidSynth's default "gs" style). Those
// pairings hold the presets FluidSynth falls back on, too: the same program in bank 0, the
// piano, or the standard drum kit.
int midiSongPresetKeys(const MidiSongUse* use, MidiKeySet* presetKeys) {
  memset(presetKeys, 0, sizeof(MidiKeySet) * MIDI_PRESETS);
  if (use->systemExclusive) return 0;
  for (int c = 0; c < MIDI_SONG_CHANNELS; c++) {
    if (!(use->channelsWithNotes & (1u << c))) continue;
    const int drums = c == MIDI_DRUM_CHANNEL;
    for (int bank = 0; bank < MIDI_BANKS; bank++) {
      const int picked = drums ? bank == MIDI_DRUM_BANK : (bank == 0 || (bank < 128 && midiBitSet(use->banks[c], bank)));
      if (!picked) continue;
      for (int program = 0; program < MIDI_PROGRAMS; program++) {
        if (program != 0 && !midiBitSet(use->programs[c], program)) continue;
        for (int i = 0; i < 4; i++) presetKeys[bank * MIDI_PROGRAMS + program][i] |= use->keys[c][i];
      }
    }
  }
  return 1;
}
