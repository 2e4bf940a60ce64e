// The game's output: the desktop's default playback device.
#include <AL/alext.h>

#include <thread>

#include "platform/shared/openal_shared.h"

namespace {

int openDefaultOutput(ALCdevice** device, ALCcontext** context) {
  *device = alcOpenDevice(0);
  if (!*device) return 0;
  // The sounds are placed for plain left-right panning. OpenAL Soft switches HRTF on by itself
  // when it takes the output for headphones, and HRTF hears a rider ahead as overhead: ask
  // for none. (HRTF forced on in OpenAL Soft's own configuration still wins.)
  const ALCint noHrtf[] = {ALC_HRTF_SOFT, ALC_FALSE, 0};
  const ALCint* attributes = alcIsExtensionPresent(*device, "ALC_SOFT_HRTF") ? noHrtf : 0;
  *context = alcCreateContext(*device, attributes);
  if (!*context || !alcMakeContextCurrent(*context)) {
    if (*context) alcDestroyContext(*context);
    alcCloseDevice(*device);
    *device = 0;
    *context = 0;
    return 0;
  }
  return 1;
}

// Opening the device and making its context takes several milliseconds (OpenAL Soft starts
// its mixer then), all on the way to the title. So the output is opened on a thread of its
// own from the moment the program starts, beside the window's creation, and the first open
// takes it from there. An output nobody took is closed when the program ends.
struct OutputOpenedAhead {
  ALCdevice* device = 0;
  ALCcontext* context = 0;
  int opened = 0;
  std::thread opener;

  OutputOpenedAhead() {
    try {
      opener = std::thread([this] { opened = openDefaultOutput(&device, &context); });
    } catch (...) {
      // No thread: the first open opens the device itself.
    }
  }
  // Returns 1 and hands the output over when it was opened ahead and not yet taken.
  int take(ALCdevice** outDevice, ALCcontext** outContext) {
    if (!opener.joinable()) return 0;
    opener.join();
    if (!opened) return 0;
    opened = 0;
    *outDevice = device;
    *outContext = context;
    alcMakeContextCurrent(context);
    return 1;
  }
  ~OutputOpenedAhead() {
    if (opener.joinable()) opener.join();
    if (opened) openalCloseOutput(device, context);
  }
};
OutputOpenedAhead ahead;

}  // namespace

int openalOpenOutput(ALCdevice** device, ALCcontext** context) {
  if (ahead.take(device, context)) return 1;
  return openDefaultOutput(device, context);
}

void openalCloseOutput(ALCdevice* device, ALCcontext* context) {
  alcMakeContextCurrent(0);
  if (context) alcDestroyContext(context);
  if (device) alcCloseDevice(device);
}
