# The audio suites of the Windows build (included by tests/windows/CMakeLists.txt): the WAV
# reader and RIFF layer through the real multimedia file services, the slots and the song
# through DirectSound and the media control interface with a private PulseAudio null sink as
# the output, and the same with no output at all. The wrappers go in front of Wine.
set(T ${PROJECT_SOURCE_DIR}/tests)
file(GLOB VASK_WIN_AUDIO_CODE CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/audio/*.cpp)

vask_add_windows_gtest(win_wav_tests
  SOURCES ${T}/audio/wav_reader_tests.cpp ${T}/audio/data_file_tests.cpp
    ${PROJECT_SOURCE_DIR}/audio/wav_reader.cpp
  LIBS vask_platform_riff)

set(VASK_WINE_RUN_ALONE ${VASK_WINE_RUN})
set(VASK_WINE_RUN ${T}/support/with_pulse_null_sink.sh ${VASK_WINE_RUN_ALONE})
vask_add_windows_gtest(win_directsound_tests
  SOURCES ${T}/audio/directsound_slot_tests.cpp ${VASK_WIN_AUDIO_CODE}
  LIBS vask_platform_riff vask_platform_sound vask_platform_media vask_message_box_recorder)

set(VASK_WINE_RUN ${T}/support/without_sound_output.sh ${VASK_WINE_RUN_ALONE})
vask_add_windows_gtest(win_directsound_no_device_tests
  SOURCES ${T}/audio/directsound_no_device_tests.cpp ${VASK_WIN_AUDIO_CODE}
  LIBS vask_platform_riff vask_platform_sound vask_platform_media vask_message_box_recorder)
set(VASK_WINE_RUN ${VASK_WINE_RUN_ALONE})
