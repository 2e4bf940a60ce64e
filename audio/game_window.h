// The game's one window. Start-up creates it; the sound device (cooperative level) and the
// music (callback window) are handed it. Declared down here so the audio can read it.
#pragma once
#include "platform/window.h"

extern WindowHandle mainWindow;
