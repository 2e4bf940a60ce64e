// The rider records the match file and the cycle lists use, without the rest of the
// simulation (a link-time stand-in for sim/riders.cpp).
#include "sim/riders.h"

Rider riders[MAX_RIDERS];
int32_t riderCount = 4;
int32_t localRider = 0;
