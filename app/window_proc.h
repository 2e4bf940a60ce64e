// The game window's procedure: frames, the title key and the key table.
#pragma once
#include "platform/window.h"

intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
