#include "openal_missing_device.h"

#include "platform/shared/openal_shared.h"

static int attempts = 0;

ALCdevice* openalOpenDevice() {
  attempts++;
  return 0;
}

ALCcontext* openalCreateContext(ALCdevice*) { return 0; }

void openalCloseOutput(ALCdevice*, ALCcontext*) {}

int missingOutputOpenAttempts() { return attempts; }
