// The page's gamepads and touch controls, read as keys. Internal to the web backend.
#pragma once
#include "platform/window.h"

// Reads the pads once (call it once a frame) and posts the keys they press and let go to
// `window`'s queue; a pad that has gone, or the page's loss of focus, lets go of its keys.
void pollGamepads(WindowHandle window);
