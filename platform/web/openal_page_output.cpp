// The game's output in the browser: the OpenAL that emscripten builds on Web Audio.
#include "platform/shared/openal_shared.h"

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
  // This OpenAL starts its listener facing nowhere (front and up both zero), and then
  // hears every sound as straight ahead. Face it as OpenAL's own default does.
  const ALfloat orientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
  alListenerfv(AL_ORIENTATION, orientation);
  return 1;
}

void openalCloseOutput(ALCdevice* device, ALCcontext* context) {
  alcMakeContextCurrent(0);
  if (context) alcDestroyContext(context);
  if (device) alcCloseDevice(device);
}
