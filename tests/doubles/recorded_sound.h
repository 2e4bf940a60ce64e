// A recording stand-in for the sound slots: every call of the sound operations is kept,
// in call order, with its slot and arguments, so tests can see what the game asked for.
// Link vask_sound_recorder in place of the audio module.
#pragma once

enum RecordedSoundOp {
  SOUND_OP_INIT,
  SOUND_OP_PLAY,
  SOUND_OP_STOP,
  SOUND_OP_SET_FREQUENCY,
  SOUND_OP_SET_VOLUME,
  SOUND_OP_PLACE,
  SOUND_OP_SHUTDOWN,
};

struct RecordedSound {
  RecordedSoundOp op;
  int slot;           // -1 for soundInit and soundShutdown
  int value;          // hertz or hundredths of a decibel; 0 otherwise
  float x, y, z;      // soundPlace position; 0 otherwise
  float vx, vy, vz;   // soundPlace velocity; 0 otherwise
};

enum { RECORDED_SOUND_CAPACITY = 8192 };

// Calls beyond the capacity are counted in droppedSoundCount but not kept.
extern RecordedSound recordedSounds[RECORDED_SOUND_CAPACITY];
extern int recordedSoundCount;
extern int droppedSoundCount;

// Forgets every recorded call.
void clearRecordedSounds();

// How many kept calls have this operation and slot (slot -1 matches any slot).
int countRecordedSounds(RecordedSoundOp op, int slot);
