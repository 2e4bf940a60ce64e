// Whether the game has finished starting up. The window layer notes the first look at the
// message queue (the main loop has begun, the title is up); work that can wait, such as the
// song's synthesiser and soundfont, waits for it instead of taking the processor from
// start-up.
#pragma once

// Called by the window layer at every peek, on the game's thread; only the first one counts.
// It runs the task left by runWhenStartupIsOver, then wakes the waiters.
void noteStartupOver();

// Leaves one task to run on the game's thread when start-up ends (a later one replaces it),
// or runs it at once when start-up is already over.
void runWhenStartupIsOver(void (*task)());

// Waits until start-up is over, or at most maxMilliseconds: a program without the game's
// main loop (a test of one layer) goes on after that.
void waitForStartupOver(int maxMilliseconds);
