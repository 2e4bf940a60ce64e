// How the SDL window is shown, apart from what the game draws in it: its size on a scaled
// desktop, the borderless full screen that Alt+Enter toggles, and the last picture shown
// again when the desktop uncovers or resizes the window.
#pragma once
#include "platform/sdl/window_sdl_internal.h"

// The program entry asks for the full screen from the start (--fullscreen).
void startInFullScreen();

// The hidden window, just created at the game's size, grows by the desktop's scale.
void applyDesktopScale(WindowHandle window);

// Showing the window: goes full screen when the start asked for it.
void enterFullScreenAtStart(WindowHandle window);

// Alt+Enter switches between the window and the full screen. Returns 1 for its press and
// release, which the game never sees.
int takeFullScreenKey(WindowHandle window, const SDL_KeyboardEvent& key);

// The desktop uncovered or resized the window: the last picture is shown again at once.
// Returns 0 when there is none to show, and the game must draw it again.
int showLastPictureAgain(WindowHandle window);
