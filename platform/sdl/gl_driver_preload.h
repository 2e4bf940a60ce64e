// Loading the desktop's OpenGL driver ahead of the window. Mesa's driver, with the LLVM it
// links, takes some 20 ms to load, and the window cannot be made before it is in: loaded on
// a thread of its own while SDL connects to the display, it is ready when the window asks.
#pragma once

// Starts the loading, once a process; the window layer calls it as it connects to the
// display. The loading does nothing when the display's OpenGL will not come from Mesa.
void startGlDriverPreload();

// Waits for the loading to end; called before the desktop connection closes, so no loading
// thread outlives it. Harmless when none was started.
void finishGlDriverPreload();
