# Audio layers of this backend: buffered RIFF files on stdio, the 3-D sound device on
# OpenAL Soft, MIDI command strings on FluidSynth. (Filled in with the sound work.)
add_library(vask_platform_riff INTERFACE)
add_library(vask_platform_sound INTERFACE)
add_library(vask_platform_media INTERFACE)
