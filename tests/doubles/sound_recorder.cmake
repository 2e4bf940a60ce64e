# Records every sound operation instead of playing it (tests of the simulation, cameras,
# attract mode and anything else that calls audio/sound_effects.h).
add_library(vask_sound_recorder STATIC ${CMAKE_CURRENT_LIST_DIR}/recorded_sound.cpp)
vask_own_target(vask_sound_recorder)
