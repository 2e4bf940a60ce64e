// What a person's input does to a rider: turn, speed up, slow down, let go.
#pragma once
#include "protocol/protocol.h"

// Offline it is applied as the key goes down; in a shared match before the step it is for.
void applyRiderInput(int rider, int input);
