// The loopback output: stereo float at 44100 Hz, no HRTF, so panning is plain and measurable.
#include "openal_loopback_device.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <string.h>

#include <mutex>

#include "platform/shared/openal_shared.h"

static ALCdevice* loopbackDevice = 0;
static int openCount = 0;
static std::mutex renderLock;

int openalOpenOutput(ALCdevice** device, ALCcontext** context) {
  *device = 0;
  *context = 0;
  LPALCLOOPBACKOPENDEVICESOFT openLoopback =
      (LPALCLOOPBACKOPENDEVICESOFT)alcGetProcAddress(0, "alcLoopbackOpenDeviceSOFT");
  if (!openLoopback) return 0;
  ALCdevice* opened = openLoopback(0);
  if (!opened) return 0;
  const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                               ALC_FLOAT_SOFT, ALC_FREQUENCY, LOOPBACK_RATE, ALC_HRTF_SOFT,
                               ALC_FALSE, 0};
  ALCcontext* made = alcCreateContext(opened, attributes);
  if (!made || !alcMakeContextCurrent(made)) {
    if (made) alcDestroyContext(made);
    alcCloseDevice(opened);
    return 0;
  }
  std::lock_guard<std::mutex> hold(renderLock);
  loopbackDevice = opened;
  openCount++;
  *device = opened;
  *context = made;
  return 1;
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
