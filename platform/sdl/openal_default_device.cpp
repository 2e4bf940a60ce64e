// The game's output: the desktop's default playback device.
#include <AL/alext.h>

#include "platform/shared/openal_shared.h"

ALCdevice* openalOpenDevice() { return alcOpenDevice(0); }

ALCcontext* openalCreateContext(ALCdevice* device) {
  // The sounds are placed for plain left-right panning. OpenAL Soft switches HRTF on by itself
  // when it takes the output for headphones, and HRTF hears a rider ahead as overhead: ask
  // for none. (HRTF forced on in OpenAL Soft's own configuration still wins.)
  const ALCint noHrtf[] = {ALC_HRTF_SOFT, ALC_FALSE, 0};
  const ALCint* attributes = alcIsExtensionPresent(device, "ALC_SOFT_HRTF") ? noHrtf : 0;
  ALCcontext* context = alcCreateContext(device, attributes);
  if (context && !alcMakeContextCurrent(context)) {
    alcDestroyContext(context);
    context = 0;
  }
  return context;
}

void openalCloseOutput(ALCdevice* device, ALCcontext* context) {
  alcMakeContextCurrent(0);
  if (context) alcDestroyContext(context);
  if (device) alcCloseDevice(device);
}
