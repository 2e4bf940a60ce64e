// The game's output in the browser: the OpenAL that emscripten builds on Web Audio.
#include "platform/shared/openal_shared.h"

#include <emscripten.h>

// Each of this OpenAL's contexts plays through a Web Audio context of its own, which
// destroying it leaves open; a page may hold only a few. The page closes those of a game
// once it has ended, whether or not the game closed its output.
EM_JS(void, tellPageAudioOpened, (ALCcontext* context), {
  var openal = AL.contexts[context];
  if (openal && Module.vaskPage && Module.vaskPage.audioOpened) Module.vaskPage.audioOpened(openal.audioCtx);
});

ALCdevice* openalOpenDevice() { return alcOpenDevice(0); }

ALCcontext* openalCreateContext(ALCdevice* device) {
  ALCcontext* context = alcCreateContext(device, 0);
  if (context && !alcMakeContextCurrent(context)) {
    alcDestroyContext(context);
    context = 0;
  }
  if (!context) return 0;
  // This OpenAL starts its listener facing nowhere (front and up both zero), and then
  // hears every sound as straight ahead. Face it as OpenAL's own default does.
  const ALfloat orientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
  alListenerfv(AL_ORIENTATION, orientation);
  tellPageAudioOpened(context);
  return context;
}

void openalCloseOutput(ALCdevice* device, ALCcontext* context) {
  alcMakeContextCurrent(0);
  if (context) alcDestroyContext(context);
  if (device) alcCloseDevice(device);
}
