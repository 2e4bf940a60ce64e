// The FluidSynth functions the media layer calls, reached through one table. The game opens
// the library on the song's loading thread (fluidsynth_opened.cpp): linked to the program,
// FluidSynth and the dozen libraries it brings would all be loaded before the game's first
// instruction, on the way to the title. The layer's tests link it (fluidsynth_linked.cpp).
#pragma once
#include <fluidsynth.h>

struct FluidSynthLibrary {
  fluid_settings_t* (*newSettings)();
  void (*deleteSettings)(fluid_settings_t*);
  int (*settingsSetnum)(fluid_settings_t*, const char*, double);
  int (*settingsSetint)(fluid_settings_t*, const char*, int);
  fluid_synth_t* (*newSynth)(fluid_settings_t*);
  void (*deleteSynth)(fluid_synth_t*);
  int (*synthSfload)(fluid_synth_t*, const char*, int);
  int (*synthSystemReset)(fluid_synth_t*);
  int (*synthUnsetProgram)(fluid_synth_t*, int);
  int (*synthWriteS16)(fluid_synth_t*, int, void*, int, int, void*, int, int);
  fluid_player_t* (*newPlayer)(fluid_synth_t*);
  void (*deletePlayer)(fluid_player_t*);
  int (*playerAdd)(fluid_player_t*, const char*);
  int (*playerPlay)(fluid_player_t*);
  int (*playerStop)(fluid_player_t*);
  int (*playerGetStatus)(fluid_player_t*);
  // A loader reading soundfonts through callbacks of the layer's own; null in a FluidSynth
  // without them (before 2.0), which then reads the whole file itself.
  fluid_sfloader_t* (*newDefsfloader)(fluid_settings_t*);
  int (*sfloaderSetCallbacks)(fluid_sfloader_t*, fluid_sfloader_callback_open_t,
                              fluid_sfloader_callback_read_t, fluid_sfloader_callback_seek_t,
                              fluid_sfloader_callback_tell_t, fluid_sfloader_callback_close_t);
  void (*synthAddSfloader)(fluid_synth_t*, fluid_sfloader_t*);
  void (*deleteSfloader)(fluid_sfloader_t*);
};

// Fills the table. Returns 1 when every function is there, 0 when FluidSynth is missing.
int loadFluidSynth(FluidSynthLibrary* library);
