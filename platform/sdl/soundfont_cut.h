// A General MIDI soundfont cut, in memory, to what one song can sound. FluidSynth makes a
// record for every zone of every preset it loads and, loading samples as presets are picked,
// reads every sample of a picked preset: a drum kit's full set for a song that plays six of
// its drums. The cut keeps the presets the song can pick and, of their zones, those its keys
// reach; the sample data stays where it is in the file and is read from there. The song
// sounds sample for sample the same.
#pragma once
#include <fluidsynth.h>

#include "platform/sdl/midi_song_use.h"

// Makes the cut of the soundfont file for the song. Returns 1 when it stands ready under the
// soundfont's own file name, 0 when the font cannot be cut (not a soundfont as expected, or a
// song that sends system-exclusive messages, which can change how channels pick presets):
// then the file is served as it is.
int cutSoundfontForSong(const char* soundfontPath, const MidiSongUse* song);
// The size of the cut as FluidSynth reads it; 0 when there is none.
long long cutSoundfontSize();
void dropSoundfontCut();

// FluidSynth's file callbacks: the cut under its soundfont's name, any other file as it is
// on disk. The cut must stay until the synthesiser that loaded it is deleted: FluidSynth
// opens the file again each time a preset is picked.
void* cutSoundfontOpen(const char* fileName);
int cutSoundfontRead(void* buffer, fluid_long_long_t count, void* handle);
int cutSoundfontSeek(void* handle, fluid_long_long_t offset, int origin);
fluid_long_long_t cutSoundfontTell(void* handle);
int cutSoundfontClose(void* handle);
