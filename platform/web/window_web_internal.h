// What the web backend's GL context needs of its window layer. Internal to this backend.
#pragma once
#include "platform/window.h"

// The CSS selector of the canvas the window draws on ("#vask-canvas"), or 0 for none.
const char* canvasSelectorOf(WindowHandle window);
