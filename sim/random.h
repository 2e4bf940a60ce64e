// The one random generator of the game: whole numbers 0..32767.
#pragma once
#include <stdint.h>

// Start-up seeds it from the calendar time in seconds (twice); tests seed it to repeat a match.
void seedRandom(uint32_t seed);

// The next draw, 0..32767. Respawns, computer riders and attract shots draw from it.
int32_t drawRandom();

// The generator's state, for the match digest.
uint32_t randomState();

// A second generator for what only one viewer sees (the attract shots of a shared match):
// its draws never move the match's generator.
int32_t drawViewerRandom();
