#include "openal_missing_device.h"

#include "platform/shared/openal_shared.h"

static int attempts = 0;

int openalOpenOutput(ALCdevice** device, ALCcontext** context) {
  attempts++;
  *device = 0;
  *context = 0;
  return 0;
}

void openalCloseOutput(ALCdevice*, ALCcontext*) {}

int missingOutputOpenAttempts() { return attempts; }
