// Reference-counted OpenAL output; the music's streaming thread only uses it between its own
// acquire and release, so the count is guarded.
#include "platform/shared/openal_shared.h"

#include <mutex>

static std::mutex outputLock;
static ALCdevice* outputDevice = 0;
static ALCcontext* outputContext = 0;
static int outputUsers = 0;

int openalAcquire() {
  std::lock_guard<std::mutex> hold(outputLock);
  if (outputUsers == 0) {
    ALCdevice* device = 0;
    ALCcontext* context = 0;
    if (!openalOpenOutput(&device, &context) || !device || !context) return 0;
    outputDevice = device;
    outputContext = context;
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  }
  outputUsers++;
  return 1;
}

void openalRelease() {
  std::lock_guard<std::mutex> hold(outputLock);
  if (outputUsers == 0) return;
  if (--outputUsers == 0) {
    openalCloseOutput(outputDevice, outputContext);
    outputDevice = 0;
    outputContext = 0;
  }
}

int openalOutputRate() {
  std::lock_guard<std::mutex> hold(outputLock);
  ALCint rate = 0;
  if (outputDevice) alcGetIntegerv(outputDevice, ALC_FREQUENCY, 1, &rate);
  return rate > 0 ? rate : 44100;
}
