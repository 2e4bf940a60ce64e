// What the web backend's GL context needs of its window layer. Internal to this backend.
#pragma once
#include "platform/window.h"

// The CSS selector of the canvas the window draws on ("#vask-canvas"), or 0 for none.
const char* canvasSelectorOf(WindowHandle window);

// Posts a key message to the window as the page's keys do: the gamepads' and the touch
// controls' keys take the same path as the keyboard's.
void postKeyMessage(WindowHandle window, uint32_t message, uintptr_t key, intptr_t lParam);
