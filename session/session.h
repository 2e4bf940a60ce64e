// How this machine's match runs: offline as it always has, or as a shared match that is
// recorded, replayed, or played in a room. The window procedure and the main loop go
// through here; the match itself is the simulation's.
#pragma once
#include <stdint.h>

#include "protocol/protocol.h"

enum SessionMode {
  SESSION_OFFLINE = 0,    // the repaint steps the match; keys act at once
  SESSION_RECORDING = 1,  // offline, but every step's inputs and digests are kept
  SESSION_REPLAY = 2,     // the steps come from a record
  SESSION_ROOM = 3,       // the steps come from the relay's bundles
};
extern int32_t sessionMode;

// Where the record is written at the end (and now and then), or 0.
extern const char* recordPath;

// Offline start-up with --record: the match reset becomes a shared match's, kept in the
// record. Call before the match reset instead of it; the seeds are the reset's and the
// match's.
void startRecording(const char* path, uint32_t resetSeed, uint32_t runSeed);

// --replay: loads the record and starts its match. False with a message in `why`.
bool startReplay(const char* path, char* why, unsigned whySize);

// --replay --verify: runs the record as fast as it can, prints "step N digest HEX" at every
// digest, and returns 1 at the first that differs from the record's, else 0.
int verifyReplay(const char* path);

// The viewer pressed or let go a key that steers its rider (a RiderInput).
void sessionRiderInput(int input);

// D at the title: the viewer watches. Recorded offline, the computer takes its rider, as
// attract mode always has; in a room the viewer simply takes none.
void sessionWatch();

// Each repaint in play: the steps due before this frame is drawn.
void sessionFrameSteps();

// Runs a step of a shared match and keeps it in the record, with its digest when one is
// due. True when a digest was taken.
bool keepStep(const Bundle& bundle, uint64_t* digest);

// The end of the program: the record is written, the room left.
void endSession();

// The replay has shown its last step.
bool replayFinished();
