// Reference-counted OpenAL output; the music's streaming thread only uses it between its own
// acquire and release, so the count is guarded. A context made in the background is joined
// under the same guard before anything else looks at the output.
#include "platform/shared/openal_shared.h"

#include <pthread.h>

#include <mutex>

static std::mutex outputLock;
static ALCdevice* outputDevice = 0;
static ALCcontext* outputContext = 0;
static int outputUsers = 0;
static pthread_t contextMaker;
static int contextPending = 0;

static void* makeContext(void*) {
  outputContext = openalCreateContext(outputDevice);
  if (outputContext) alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  return 0;
}

// With outputLock held: the context is made, or known not to be.
static void finishPendingContext() {
  if (!contextPending) return;
  pthread_join(contextMaker, 0);
  contextPending = 0;
}

int openalAcquire() {
  std::lock_guard<std::mutex> hold(outputLock);
  if (outputUsers > 0) {  // open, or its context still being made
    outputUsers++;
    return 1;
  }
  outputDevice = openalOpenDevice();
  if (!outputDevice) return 0;
  // A backend without threads (the browser's) makes it here and now.
  if (pthread_create(&contextMaker, 0, makeContext, 0) == 0)
    contextPending = 1;
  else
    makeContext(0);
  outputUsers = 1;
  return 1;
}

int openalAwaitOutput() {
  std::lock_guard<std::mutex> hold(outputLock);
  finishPendingContext();
  return outputContext != 0;
}

void openalRelease() {
  std::lock_guard<std::mutex> hold(outputLock);
  finishPendingContext();
  if (outputUsers == 0) return;
  if (--outputUsers == 0) {
    openalCloseOutput(outputDevice, outputContext);
    outputDevice = 0;
    outputContext = 0;
  }
}

int openalOutputRate() {
  std::lock_guard<std::mutex> hold(outputLock);
  finishPendingContext();
  ALCint rate = 0;
  if (outputDevice) alcGetIntegerv(outputDevice, ALC_FREQUENCY, 1, &rate);
  return rate > 0 ? rate : 44100;
}
