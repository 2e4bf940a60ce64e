// The game's output: the desktop's default playback device.
#include "platform/sdl/openal_shared.h"

int openalOpenOutput(ALCdevice** device, ALCcontext** context) {
  *device = alcOpenDevice(0);
  if (!*device) return 0;
  *context = alcCreateContext(*device, 0);
  if (!*context || !alcMakeContextCurrent(*context)) {
    if (*context) alcDestroyContext(*context);
    alcCloseDevice(*device);
    *device = 0;
    *context = 0;
    return 0;
  }
  return 1;
}

void openalCloseOutput(ALCdevice* device, ALCcontext* context) {
  alcMakeContextCurrent(0);
  if (context) alcDestroyContext(context);
  if (device) alcCloseDevice(device);
}
