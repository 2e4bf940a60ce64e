# Audio layers of the Win32 backend: buffered RIFF files on the multimedia file services
# (winmm), the 3-D sound device on DirectSound, MIDI command strings on the media control
# interface (winmm). Same target names as the SDL backend's audio.cmake. The RIFF and sound
# layers are each two files, one including only the game's header and one only Windows' own
# headers, which define the same names.
add_library(vask_platform_riff STATIC ${CMAKE_CURRENT_LIST_DIR}/riff_file_mmio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/riff_file_winmm.cpp
  ${PROJECT_SOURCE_DIR}/platform/shared/riff_chunk_search.cpp)
vask_own_target(vask_platform_riff)
target_link_libraries(vask_platform_riff PUBLIC winmm)

# dxguid holds the 3-D listener's and 3-D buffer's interface identifiers.
add_library(vask_platform_sound STATIC ${CMAKE_CURRENT_LIST_DIR}/sound_device_dsound.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sound_device_dsound_system.cpp)
vask_own_target(vask_platform_sound)
target_link_libraries(vask_platform_sound PUBLIC dsound dxguid)

add_library(vask_platform_media STATIC ${CMAKE_CURRENT_LIST_DIR}/media_control_mci.cpp)
vask_own_target(vask_platform_media)
target_link_libraries(vask_platform_media PUBLIC winmm)
