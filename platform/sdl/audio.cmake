# Audio layers of this backend: buffered RIFF files on stdio, the 3-D sound device on
# OpenAL Soft, MIDI command strings on FluidSynth. The sound device and the music share one
# OpenAL output (shared/openal_shared.cpp). Which output that is gets chosen at link time: the
# *_core libraries leave it open, vask_platform_openal brings the default playback device
# for the game, and the tests bring a loopback device of their own instead.
find_package(Threads REQUIRED)

add_library(vask_platform_riff STATIC ${PROJECT_SOURCE_DIR}/platform/shared/riff_file_stdio.cpp
  ${PROJECT_SOURCE_DIR}/platform/shared/riff_chunk_search.cpp)
vask_own_target(vask_platform_riff)

add_library(vask_platform_openal STATIC ${PROJECT_SOURCE_DIR}/platform/shared/openal_shared.cpp
  ${CMAKE_CURRENT_LIST_DIR}/openal_default_device.cpp)
vask_own_target(vask_platform_openal)
target_link_libraries(vask_platform_openal PUBLIC PkgConfig::OPENAL Threads::Threads)

add_library(vask_platform_sound_core STATIC ${PROJECT_SOURCE_DIR}/platform/shared/sound_device_openal.cpp)
vask_own_target(vask_platform_sound_core)
target_link_libraries(vask_platform_sound_core PUBLIC PkgConfig::OPENAL)

add_library(vask_platform_media_core STATIC ${CMAKE_CURRENT_LIST_DIR}/media_control_fluidsynth.cpp
  ${CMAKE_CURRENT_LIST_DIR}/midi_song_use.cpp ${CMAKE_CURRENT_LIST_DIR}/soundfont_cut.cpp
  ${PROJECT_SOURCE_DIR}/platform/shared/mci_command.cpp)
vask_own_target(vask_platform_media_core)
target_include_directories(vask_platform_media_core PUBLIC ${FLUIDSYNTH_INCLUDE_DIRS})
target_link_libraries(vask_platform_media_core PUBLIC PkgConfig::OPENAL Threads::Threads
  vask_platform_startup_phase)

# FluidSynth itself: the game opens it when the song's loading starts, the music tests link it
# (their stand-ins wrap its functions at link time).
add_library(vask_platform_fluidsynth_opened STATIC ${CMAKE_CURRENT_LIST_DIR}/fluidsynth_opened.cpp)
vask_own_target(vask_platform_fluidsynth_opened)
target_include_directories(vask_platform_fluidsynth_opened PUBLIC ${FLUIDSYNTH_INCLUDE_DIRS})
target_link_libraries(vask_platform_fluidsynth_opened PUBLIC ${CMAKE_DL_LIBS})
add_library(vask_platform_fluidsynth_linked STATIC ${CMAKE_CURRENT_LIST_DIR}/fluidsynth_linked.cpp)
vask_own_target(vask_platform_fluidsynth_linked)
target_link_libraries(vask_platform_fluidsynth_linked PUBLIC PkgConfig::FLUIDSYNTH)

# Both name both layers before the output, so the output always comes last on the link line.
add_library(vask_platform_sound INTERFACE)
target_link_libraries(vask_platform_sound INTERFACE vask_platform_sound_core vask_platform_media_core
  vask_platform_fluidsynth_opened vask_platform_openal)
add_library(vask_platform_media INTERFACE)
target_link_libraries(vask_platform_media INTERFACE vask_platform_sound_core vask_platform_media_core
  vask_platform_fluidsynth_opened vask_platform_openal)
