// FluidSynth opened when the song first needs it. The library stays loaded for the rest of
// the process: unloading it could pull code from under the threads its own libraries start.
#include <dlfcn.h>

#include "platform/sdl/fluidsynth_library.h"

namespace {
template <typename Function>
int find(void* handle, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(dlsym(handle, name));
  return *function != nullptr;
}
}  // namespace

int loadFluidSynth(FluidSynthLibrary* library) {
  void* handle = dlopen("libfluidsynth.so.3", RTLD_NOW | RTLD_LOCAL);
  if (!handle) return 0;
  FluidSynthLibrary l;
  int found = find(handle, "new_fluid_settings", &l.newSettings) &
              find(handle, "delete_fluid_settings", &l.deleteSettings) &
              find(handle, "fluid_settings_setnum", &l.settingsSetnum) &
              find(handle, "fluid_settings_setint", &l.settingsSetint) &
              find(handle, "new_fluid_synth", &l.newSynth) &
              find(handle, "delete_fluid_synth", &l.deleteSynth) &
              find(handle, "fluid_synth_sfload", &l.synthSfload) &
              find(handle, "fluid_synth_system_reset", &l.synthSystemReset) &
              find(handle, "fluid_synth_unset_program", &l.synthUnsetProgram) &
              find(handle, "fluid_synth_write_s16", &l.synthWriteS16) &
              find(handle, "new_fluid_player", &l.newPlayer) &
              find(handle, "delete_fluid_player", &l.deletePlayer) &
              find(handle, "fluid_player_add", &l.playerAdd) &
              find(handle, "fluid_player_play", &l.playerPlay) &
              find(handle, "fluid_player_stop", &l.playerStop) &
              find(handle, "fluid_player_get_status", &l.playerGetStatus);
  if (!found) return 0;  // a library of another make under that name: no song
  if (!(find(handle, "new_fluid_defsfloader", &l.newDefsfloader) &
        find(handle, "fluid_sfloader_set_callbacks", &l.sfloaderSetCallbacks) &
        find(handle, "fluid_synth_add_sfloader", &l.synthAddSfloader) &
        find(handle, "delete_fluid_sfloader", &l.deleteSfloader)))
    l.newDefsfloader = nullptr;
  *library = l;
  return 1;
}
