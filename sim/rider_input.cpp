#include "sim/rider_input.h"

#include "sim/riders.h"
#include "sim/turning.h"

const float ACCELERATE = 0.008f;

void applyRiderInput(int rider, int input) {
  if (rider < 0 || rider >= riderCount || rider >= MAX_RIDERS) return;
  switch (input) {
    case INPUT_LEFT: turnRider(rider, TURN_LEFT_KEY); break;
    case INPUT_RIGHT: turnRider(rider, TURN_RIGHT_KEY); break;
    case INPUT_FASTER: riders[rider].accel = ACCELERATE; break;
    case INPUT_SLOWER: riders[rider].accel = -ACCELERATE; break;
    case INPUT_LET_GO: riders[rider].accel = 0.0f; break;
    default: break;
  }
}
