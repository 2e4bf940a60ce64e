// The eight positional sound slots: five engines, two crashes and the turn sound.
#pragma once

enum {
  SOUND_SLOT_COUNT = 8,
  SOUND_BOOM = 5,    // crash of the keyboard rider
  SOUND_TURN = 6,    // turns, and the warning before a respawn
  SOUND_BOOM2 = 7,   // crash of any other rider
};
// Slots 0..4 are the engines of riders 0..4.

// Every operation below does nothing without a sound device or for a slot that did not load.

// Start-up opens the device and loads the slots, once, after the match file.
void soundInit();

// Stops the slot, rewinds it and plays it (engines loop).
void soundPlay(int slot);

// Stops the slot where it is.
void soundStop(int slot);

// The main loop sets the local engine's playback rate, in hertz.
void soundSetFrequency(int slot, int hertz);

// The title key sets engine volumes, in hundredths of a decibel (0 full, negative quieter).
void soundSetVolume(int slot, int hundredthsOfDecibel);

// Places the slot in the listener's frame (x right, y up, z ahead) with a velocity.
void soundPlace(int slot, float x, float y, float z, float vx, float vy, float vz);

// Shutdown stops every slot and releases the device.
void soundShutdown();
