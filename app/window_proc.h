// The game window's procedure: frames, the title key and the key table.
#pragma once
#include "platform/window.h"

// The first key, or the start of a replay, leaves the title for the match.
void leaveTitle(WindowHandle window, uintptr_t key);

intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
