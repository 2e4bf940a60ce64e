// Whether the game has finished starting up: its window layer notes the first look at the
// message queue (the main loop has begun, the title is up), and work that can wait, such as
// reading the song's soundfont, waits for it instead of taking the processor from start-up.
#pragma once

// Called by the window layer at every peek; only the first one counts.
void noteStartupOver();

// Waits until start-up is over, or at most maxMilliseconds: a program without the game's
// main loop (a test of one layer) goes on after that.
void waitForStartupOver(int maxMilliseconds);
