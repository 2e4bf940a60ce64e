// The game's output: the desktop's default playback device.
#include <AL/alext.h>

#include "platform/shared/openal_shared.h"

int openalOpenOutput(ALCdevice** device, ALCcontext** context) {
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

void openalCloseOutput(ALCdevice* device, ALCcontext* context) {
  alcMakeContextCurrent(0);
  if (context) alcDestroyContext(context);
  if (device) alcCloseDevice(device);
}
