// A room on a relay: the match comes as the relay's bundles, this machine's inputs go to
// it, and when the relay goes away the match goes on here alone.
#pragma once
#include <stdint.h>

// Where the relay is unless --relay says otherwise: one on this machine.
extern const char* const DEFAULT_RELAY;

// Connects and asks for a new room (code 0) or to join the room of `code`. The match stays
// offline until the relay welcomes us. False for an address that cannot be used at all.
// A new room's match starts from `seed`.
bool startRoom(const char* relayUrl, const char* code, uint32_t seed);

// Each pass of the main loop: what the relay sent is handled and the steps it allows run,
// several when this machine has fallen behind.
void roomPump();

// Each repaint: the bundles that have come are run before the frame is drawn; once the
// relay is gone, one step.
void roomFrameSteps();

// The viewer's steering key, for the rider this machine holds.
void roomRiderInput(int input);

// Any key at the title asks for a rider from the next bundle on.
void roomTakeRider();

// The end: the relay frees our rider for the computer.
void leaveRoom();
