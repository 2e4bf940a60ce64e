// The system's DLLs the program loads at run time (XInput, shcore), from the system's own
// folder only: Windows would otherwise look in the program's folder first, where a DLL of
// the same name (planted in a downloads folder beside vask.exe) would run as the game.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The DLL of that name in the system folder, or 0 when it has none.
HMODULE loadSystemLibrary(const char* name);
