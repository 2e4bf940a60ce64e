// The words the game is started with: what to record, replay, verify, host or join.
#pragma once

struct GameFlags {
  const char* record;   // --record FILE
  const char* replay;   // --replay FILE
  int verify;           // --verify (with --replay): no window
  int host;             // --host
  const char* join;     // --join CODE
  const char* relay;    // --relay ws://HOST:PORT
};

// Reads the command line. False, with the reason in `why`, for words that cannot work
// together or a flag without its value. Words it does not know are left to the platform.
bool readGameFlags(GameFlags* flags, char* why, unsigned whySize);
