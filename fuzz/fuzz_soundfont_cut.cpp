// The soundfont cut over any file: it is cut or left whole, and either way FluidSynth's file
// callbacks serve exactly the bytes there are: the cut's own header and tables, and between
// them the file's own bytes at their own offsets.
#include <stdlib.h>
#include <string.h>

#include "fuzz/fuzz_support.h"
#include "platform/sdl/soundfont_cut.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInputFile("fuzz.sf2", data, size);
  // A song on a melodic channel and the drum channel, with a bank select and two programs.
  MidiSongUse song;
  memset(&song, 0, sizeof song);
  song.channelsWithNotes = 1u << 0 | 1u << MIDI_DRUM_CHANNEL;
  song.keys[0][1] = 1u << (40 - 32);
  song.keys[0][2] = 1u << (70 - 64);
  song.keys[MIDI_DRUM_CHANNEL][1] = 1u << (36 - 32);
  song.programs[0][0] = 1u << 5;
  song.banks[0][0] = 1u << 8;
  const int isCut = cutSoundfontForSong("fuzz.sf2", &song);
  if (!isCut && cutSoundfontSize() != 0) fuzzFail("no cut, yet a size for it");

  void* handle = cutSoundfontOpen("fuzz.sf2");
  if (!handle) fuzzFail("the file could not be opened through the callbacks");
  const long long served = isCut ? cutSoundfontSize() : (long long)size;
  uint8_t* bytes = (uint8_t*)malloc(served ? (size_t)served : 1);
  if (cutSoundfontRead(bytes, served, handle) != FLUID_OK) fuzzFail("the whole file could not be read");
  uint8_t past;
  if (cutSoundfontRead(&past, 1, handle) == FLUID_OK) fuzzFail("a read past the end succeeded");
  if (cutSoundfontTell(handle) != served) fuzzFail("the position is not at the end");
  if (!isCut && memcmp(bytes, data, size) != 0) fuzzFail("an uncut file served otherwise than it is");
  if (isCut) {
    if (served < 12 || memcmp(bytes, "RIFF", 4) != 0) fuzzFail("a cut that is no RIFF file");
    // Between the header and the tables, the file's own bytes.
    size_t own = 12;
    while (own < (size_t)served && own < size && bytes[own] == data[own]) own++;
    if (own < 24) fuzzFail("the file's own lists are not served as they are");
    if (cutSoundfontSeek(handle, -1, SEEK_SET) == FLUID_OK) fuzzFail("a seek before the start succeeded");
    if (cutSoundfontSeek(handle, 1, SEEK_END) == FLUID_OK) fuzzFail("a seek past the end succeeded");
  }
  free(bytes);
  cutSoundfontClose(handle);
  dropSoundfontCut();
  return 0;
}
