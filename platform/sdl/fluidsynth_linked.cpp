// FluidSynth linked to the program: the table points at its functions directly.
#include "platform/sdl/fluidsynth_library.h"

int loadFluidSynth(FluidSynthLibrary* library) {
  *library = FluidSynthLibrary{new_fluid_settings, delete_fluid_settings, fluid_settings_setnum,
                               fluid_settings_setint, new_fluid_synth, delete_fluid_synth,
                               fluid_synth_sfload, fluid_synth_system_reset, fluid_synth_unset_program,
                               fluid_synth_write_s16,
                               new_fluid_player, delete_fluid_player, fluid_player_add,
                               fluid_player_play, fluid_player_stop, fluid_player_get_status,
                               new_fluid_defsfloader, fluid_sfloader_set_callbacks,
                               fluid_synth_add_sfloader, delete_fluid_sfloader};
  return 1;
}
