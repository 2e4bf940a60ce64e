// Keys that belong to the browser or the system, not to the game. Internal to this backend.
#pragma once
#include <emscripten/html5.h>

// Whether the key of this event is one the game never sees go down, whatever it is
// playing: reload (F5), full screen (F11), the developer tools (F12), Ctrl or Cmd with any
// key, the Windows/Super/Menu keys, volume, media and browser-navigation keys, and the
// input method's keys. The browser and the system keep doing what they do with them.
int isSystemKey(const EmscriptenKeyboardEvent* e);

// Whether the event's key is Cmd on a Mac (the Windows or Super key elsewhere): the Meta
// key, known by its meaning or by which key it is.
int isCommandKey(const EmscriptenKeyboardEvent* e);
