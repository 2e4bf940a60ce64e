// A sound device of the tests' own in place of the platform's (platform/sound_device.h):
// buffers are plain memory and nothing sounds, and the test decides what a play answers and
// when the device takes its buffers back. Link vask_scripted_sound_device instead of the
// platform's sound layer.
#pragma once
#include <stdint.h>

#include "platform/sound_device.h"

// What every play of a buffer that is not lost answers; DS_OK until a test sets it.
extern HRESULT scriptedPlayResult;
// What restoring a lost buffer answers; DS_OK (restored) until a test sets it.
extern HRESULT scriptedRestoreResult;
// What every lock of a buffer that is not lost answers; DS_OK until a test sets it.
extern HRESULT scriptedLockResult;

// The device takes back every secondary buffer: until each is restored, its plays and
// locks answer DSERR_BUFFERLOST, and a restored one holds silence (all zero), not its sound.
void loseScriptedBuffers();

// Plays and restores asked for since the last resetScriptedSoundDevice.
int scriptedPlayCount();
int scriptedRestoreCount();

// Buffers of the open device not yet released (the primary one included).
int scriptedBufferCount();

// Whether the buffer was played and has not been stopped since.
int scriptedBufferPlaying(LPDIRECTSOUNDBUFFER buffer);

// The buffer's bytes as they stand, and their count.
const uint8_t* scriptedBufferBytes(LPDIRECTSOUNDBUFFER buffer, uint32_t* size);

// Answers and counts back to their first state (buffers already made are kept).
void resetScriptedSoundDevice();
