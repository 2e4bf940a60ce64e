// The game's output in the browser: the OpenAL that emscripten builds on Web Audio.
#include "platform/shared/openal_shared.h"

#include <emscripten.h>

// Each of this OpenAL's contexts plays through a Web Audio context of its own, which
// destroying it leaves open; a page may hold only a few. The page closes those of a game
// once it has ended, whether or not the game closed its output.
// The context's mixing timer, which destroying it stops, holds the whole program: however
// else the game ends, it stops too.
EM_JS(void, tellPageAudioOpened, (ALCcontext* context), {
  var openal = AL.contexts[context];
  if (!openal) return;
  (Module.vaskAtEnd || []).push(() => clearInterval(openal.interval));
  if (Module.vaskPage && Module.vaskPage.audioOpened) Module.vaskPage.audioOpened(openal.audioCtx);
});

// Making a context, this OpenAL also listens on the document for the next key, click and
// touch, to resume the context then (the page does that itself). A listener that never
// fires (a touch on a desktop) would hold the whole program for ever: those it adds are
// caught and go when the game ends.
EM_JS(void, catchDocumentListeners, (), {
  const caught = [];
  document.addEventListener = function (type, listener, options) {
    caught.push([type, listener, options]);
    return EventTarget.prototype.addEventListener.call(this, type, listener, options);
  };
  Module.vaskCaughtListeners = caught;
});

EM_JS(void, releaseCaughtListenersAtEnd, (), {
  delete document.addEventListener;
  const caught = Module.vaskCaughtListeners;
  Module.vaskCaughtListeners = null;
  (Module.vaskAtEnd || []).push(() => caught.forEach((l) => document.removeEventListener(l[0], l[1], l[2])));
});

ALCdevice* openalOpenDevice() { return alcOpenDevice(0); }

ALCcontext* openalCreateContext(ALCdevice* device) {
  catchDocumentListeners();
  ALCcontext* context = alcCreateContext(device, 0);
  releaseCaughtListenersAtEnd();
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
