// The bench drivers' game: brought up the way start-up does it, on a hidden window.
#pragma once

// Changes to the data folder, opens the desktop, creates the 640 by 480 window, reads the
// match file, opens the sound, reads the model, resets the match and sets up GL (display
// lists and font). Returns 0, with a reason on stderr, when any step fails.
int bringUpGame();

// Leaves the title with the D key through the game's window procedure: attract mode.
void startAttractMode();

// One repaint through the game's window procedure: simulation step, camera, world, HUD
// and the buffer swap.
void drawGameFrame();

// What the main loop does around each repaint: the attract-mode engine placement and the
// window's other messages. It never waits for the next frame slot.
void runLoopChores();

// Waits, as the game's message pump does, for the next of the 60 frame slots a second.
void waitForFrameSlot();

// Resizes the hidden window so that each swap presents the game's 640 by 480 frame at the
// given size in pixels, and waits until the drawable has it. Returns 0 if it never did.
int presentFramesAt(int width, int height);

// Clears the colour and depth buffers and swaps: the cheapest frame on the same GL path.
void drawEmptyFrame();

// The trail points alive in every rider's list.
long countTrailPoints();

// Releases the sound and GL as shutdown does.
void takeDownGame();
