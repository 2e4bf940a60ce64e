# A sound device whose plays and lost buffers the test scripts (tests of how the sound
# slots meet a device that fails).
add_library(vask_scripted_sound_device STATIC ${CMAKE_CURRENT_LIST_DIR}/scripted_sound_device.cpp)
vask_own_target(vask_scripted_sound_device)
target_include_directories(vask_scripted_sound_device PUBLIC ${CMAKE_CURRENT_LIST_DIR})
