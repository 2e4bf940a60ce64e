// Turning: a quarter turn on the spot, a new corner in the trail and the turn sound.
#pragma once

enum { TURN_LEFT_KEY = 37, TURN_RIGHT_KEY = 39 };  // the arrow keys' codes

// The keyboard (rider 0) and the computer riders turn with the left or right arrow code;
// any other code does nothing.
void turnRider(int rider, int keyCode);
