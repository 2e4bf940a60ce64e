# OpenAL outputs for the sound tests, in place of the default playback device: each brings
# the shared-output code with its own opener, so it is linked instead of vask_platform_openal.
set(VASK_OPENAL_SHARED_SOURCE ${PROJECT_SOURCE_DIR}/platform/shared/openal_shared.cpp)

# The loopback device: the test renders the mix itself and measures it.
add_library(vask_openal_loopback STATIC ${CMAKE_CURRENT_LIST_DIR}/openal_loopback_device.cpp
  ${VASK_OPENAL_SHARED_SOURCE})
vask_own_target(vask_openal_loopback)
target_include_directories(vask_openal_loopback PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vask_openal_loopback PUBLIC PkgConfig::OPENAL Threads::Threads)

# No device at all: every open fails.
add_library(vask_openal_missing STATIC ${CMAKE_CURRENT_LIST_DIR}/openal_missing_device.cpp
  ${VASK_OPENAL_SHARED_SOURCE})
vask_own_target(vask_openal_missing)
target_include_directories(vask_openal_missing PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vask_openal_missing PUBLIC PkgConfig::OPENAL Threads::Threads)
