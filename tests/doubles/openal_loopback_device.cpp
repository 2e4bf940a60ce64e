// The loopback output: stereo float at 44100 Hz, no HRTF, so panning is plain and measurable.
#include "openal_loopback_device.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <string.h>

#include <mutex>
#include <thread>

#include "platform/shared/openal_shared.h"

static ALCdevice* loopbackDevice = 0;
static int openCount = 0;
static std::mutex renderLock;
static std::thread::id contextThread;

ALCdevice* openalOpenDevice() {
  LPALCLOOPBACKOPENDEVICESOFT openLoopback =
      (LPALCLOOPBACKOPENDEVICESOFT)alcGetProcAddress(0, "alcLoopbackOpenDeviceSOFT");
  ALCdevice* opened = openLoopback ? openLoopback(0) : 0;
  if (opened) openCount++;
  return opened;
}

ALCcontext* openalCreateContext(ALCdevice* device) {
  const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                               ALC_FLOAT_SOFT, ALC_FREQUENCY, LOOPBACK_RATE, ALC_HRTF_SOFT,
                               ALC_FALSE, 0};
  std::lock_guard<std::mutex> hold(renderLock);
  contextThread = std::this_thread::get_id();
  ALCcontext* made = alcCreateContext(device, attributes);
  if (made && !alcMakeContextCurrent(made)) {
    alcDestroyContext(made);
    made = 0;
  }
  // A loopback device takes its format from its first context: it renders only from then on.
  if (made) loopbackDevice = device;
  return made;
}

void openalCloseOutput(ALCdevice* device, ALCcontext* context) {
  std::lock_guard<std::mutex> hold(renderLock);
  alcMakeContextCurrent(0);
  if (context) alcDestroyContext(context);
  if (device) alcCloseDevice(device);
  loopbackDevice = 0;
}

int renderLoopback(float* samples, int frames) {
  std::lock_guard<std::mutex> hold(renderLock);
  if (!loopbackDevice) {
    memset(samples, 0, sizeof(float) * LOOPBACK_CHANNELS * (size_t)frames);
    return 0;
  }
  LPALCRENDERSAMPLESSOFT render =
      (LPALCRENDERSAMPLESSOFT)alcGetProcAddress(loopbackDevice, "alcRenderSamplesSOFT");
  render(loopbackDevice, samples, frames);
  return 1;
}

int loopbackIsOpen() {
  std::lock_guard<std::mutex> hold(renderLock);
  return loopbackDevice != 0;
}

int loopbackOpenCount() { return openCount; }

int loopbackContextMadeOnThisThread() {
  std::lock_guard<std::mutex> hold(renderLock);
  return contextThread == std::this_thread::get_id();
}
