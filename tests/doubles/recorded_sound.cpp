// The recording stand-in for audio/sound_effects.h.
#include "tests/doubles/recorded_sound.h"

#include "audio/sound_effects.h"

RecordedSound recordedSounds[RECORDED_SOUND_CAPACITY];
int recordedSoundCount = 0;
int droppedSoundCount = 0;

static void record(RecordedSoundOp op, int slot, int value, float x, float y, float z,
                   float vx, float vy, float vz) {
  if (recordedSoundCount >= RECORDED_SOUND_CAPACITY) {
    ++droppedSoundCount;
    return;
  }
  RecordedSound& call = recordedSounds[recordedSoundCount++];
  call.op = op;
  call.slot = slot;
  call.value = value;
  call.x = x;
  call.y = y;
  call.z = z;
  call.vx = vx;
  call.vy = vy;
  call.vz = vz;
}

void clearRecordedSounds() {
  recordedSoundCount = 0;
  droppedSoundCount = 0;
}

int countRecordedSounds(RecordedSoundOp op, int slot) {
  int count = 0;
  for (int i = 0; i < recordedSoundCount; ++i)
    if (recordedSounds[i].op == op && (slot == -1 || recordedSounds[i].slot == slot)) ++count;
  return count;
}

void soundInit() { record(SOUND_OP_INIT, -1, 0, 0, 0, 0, 0, 0, 0); }
void soundPlay(int slot) { record(SOUND_OP_PLAY, slot, 0, 0, 0, 0, 0, 0, 0); }
void soundStop(int slot) { record(SOUND_OP_STOP, slot, 0, 0, 0, 0, 0, 0, 0); }
void soundSetFrequency(int slot, int hertz) {
  record(SOUND_OP_SET_FREQUENCY, slot, hertz, 0, 0, 0, 0, 0, 0);
}
void soundSetVolume(int slot, int hundredthsOfDecibel) {
  record(SOUND_OP_SET_VOLUME, slot, hundredthsOfDecibel, 0, 0, 0, 0, 0, 0);
}
void soundPlace(int slot, float x, float y, float z, float vx, float vy, float vz) {
  record(SOUND_OP_PLACE, slot, 0, x, y, z, vx, vy, vz);
}
void soundShutdown() { record(SOUND_OP_SHUTDOWN, -1, 0, 0, 0, 0, 0, 0, 0); }
