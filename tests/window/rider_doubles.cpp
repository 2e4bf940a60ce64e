// Stand-in for the rider records and turning: plain records the test sets up, and turns
// that are only logged.
#include "call_log.h"
#include "sim/riders.h"
#include "sim/turning.h"

Rider riders[MAX_RIDERS];
int32_t riderCount = 4;
int32_t localRider = 0;

void turnRider(int rider, int keyCode) { logCall("turnRider", rider, keyCode); }
