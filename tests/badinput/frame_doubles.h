// Counters of the frame doubles (see frame_doubles.cpp).
#pragma once

extern int framesBegun;
extern int overlayPages;
extern int bufferSwaps;
void resetFrameDoubles();
