// The arena floor and the display lists fixed at start-up (floor, each rider's cycles).
#pragma once
#include "model/model_reader.h"

extern ModelVertex floorQuad[4];

// Start-up sets up the floor and reads and sizes "vask3.wrl"; 0 when it cannot be read.
int buildArena();

// The graphics set-up compiles list 1 (floor) and lists 4i+2..4i+5 (rider i's cycles).
void buildDisplayLists();

// Draws the quadrilateral through four vertices as a one-quad strip (x unchanged).
void drawQuad(const ModelVertex* corners);
