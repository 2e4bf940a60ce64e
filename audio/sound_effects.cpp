// The eight positional sound slots over the platform's 3-D sound device.
#include <string.h>

#include "audio/game_window.h"
#include "audio/sound_slots.h"
#include "audio/wav_reader.h"
#include "platform/window.h"

LPDIRECTSOUND soundDevice = 0;
LPDIRECTSOUNDBUFFER primaryBuffer = 0;
LPDIRECTSOUND3DLISTENER listener = 0;
DS3DLISTENER listenerParams;
SoundSlot soundSlots[SOUND_SLOT_COUNT];

static const float SLOT_MIN_DISTANCE = 1.1f;
static const float SLOT_MAX_DISTANCE = 11.1f;
static const float LISTENER_ROLLOFF = 5.0f;
static const float LISTENER_DOPPLER = 5.0f;

static const uint32_t SLOT_BUFFER_FLAGS =
    DSBCAPS_STATIC | DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME;

// Set once the device has refused a play: the player has been told, and the rest of the
// game is silent. A device that refuses one play (unplugged, switched off) refuses the next
// ones too, and a box for each would stop the match under each. A lost buffer is no
// refusal: it comes back once restored.
static int playRefused = 0;

static int usable(int slot) {
  return soundDevice && !playRefused && slot >= 0 && slot < SOUND_SLOT_COUNT &&
         soundSlots[slot].loaded;
}

// Copies the slot's samples from its file into its buffer: what the lock answered when the
// buffer cannot be locked. A short read leaves the rest of the buffer as it was.
static HRESULT copySamples(SoundSlot* s) {
  void* region = 0;
  uint32_t regionBytes = 0;
  const HRESULT locked = soundBufferLock(s->buffer, 0, s->dataSize, &region, &regionBytes, 0, 0, 0);
  if (locked < 0) return locked;
  uint32_t delivered = 0;
  wavRead(s->file, s->dataSize, (uint8_t*)region, &s->dataChunk, &delivered);
  soundBufferUnlock(s->buffer, region, s->dataSize, 0, 0);
  return DS_OK;
}

// A slot that cannot load gives back what it took: its buffer, its file and its format.
static void dropSlot(SoundSlot* s) {
  if (s->buffer) soundBufferRelease(s->buffer);
  s->buffer = 0;
  s->buffer3d = 0;
  wavClose(&s->file, &s->format);
}

void loadSlot(int slot, const char* fileName, uint32_t playFlags) {
  SoundSlot* s = &soundSlots[slot];
  if (wavOpen(fileName, &s->file, &s->format, &s->riffChunk) != 0) return;
  if (s->format->wFormatTag != WAVE_FORMAT_PCM ||
      wavFindData(s->file, &s->dataChunk, &s->riffChunk) != 0) {
    dropSlot(s);
    return;
  }
  // A header may announce more samples than the file holds (a cut-off file, or a
  // damaged size of up to 4 GB): the buffer gets only the bytes that are really there,
  // so a short file plays what it has and a bad size never becomes a huge allocation.
  s->dataSize = wavBytesPresent(s->file, &s->dataChunk);
  memset(&s->desc, 0, sizeof s->desc);
  s->desc.dwSize = DS_BUFFER_DESC_SIZE;
  s->desc.dwFlags = SLOT_BUFFER_FLAGS;
  s->desc.dwBufferBytes = s->dataSize;
  s->desc.dwReserved = 0;
  s->desc.lpwfxFormat = s->format;
  if (soundDeviceCreateSoundBuffer(soundDevice, &s->desc, &s->buffer) != DS_OK) {
    s->buffer = 0;
    dropSlot(s);
    return;
  }
  // The samples go in before the 3-D interface is taken: a buffer that fails either way
  // is then released whole, with no interface of it left behind.
  if (copySamples(s) != DS_OK || soundBufferQuery3D(s->buffer, &s->buffer3d) < 0) {
    dropSlot(s);
    return;
  }
  s->playFlags = playFlags;
  s->loaded = 1;
  soundPlace(slot, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
}

// A lost buffer gets its memory back and its sound again from the slot's file, which the
// slot keeps open for this. DSERR_BUFFERLOST while the device still holds the memory:
// another program has the output (its primary buffer) while the game is in the background,
// so restoring fails until it lets go.
static HRESULT restoreSlot(SoundSlot* s) {
  if (soundBufferRestore(s->buffer) != DS_OK) return DSERR_BUFFERLOST;
  if (wavFindData(s->file, &s->dataChunk, &s->riffChunk) != 0) return DSERR_GENERIC;
  const HRESULT copied = copySamples(s);
  if (copied != DS_OK) return copied;
  soundBufferSetCurrentPosition(s->buffer, 0);
  return DS_OK;
}

// Once, then silent: every slot stops, and every later operation does nothing.
static void refusePlays() {
  for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++)
    if (usable(slot)) soundBufferStop(soundSlots[slot].buffer);
  playRefused = 1;
  messageBox(0, "Could not play sound", "DirectSound Error", MB_OK);
}

void soundInit() {
  playRefused = 0;
  if (directSoundCreate(&soundDevice) != DS_OK) {
    soundDevice = 0;
    return;
  }
  if (soundDeviceSetCooperativeLevel(soundDevice, mainWindow, DSSCL_NORMAL) != DS_OK) {
    soundDeviceRelease(soundDevice);
    soundDevice = 0;
    return;
  }
  DSBUFFERDESC primaryDesc;
  memset(&primaryDesc, 0, sizeof primaryDesc);
  primaryDesc.dwSize = DS_BUFFER_DESC_SIZE;
  primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
  if (soundDeviceCreateSoundBuffer(soundDevice, &primaryDesc, &primaryBuffer) != DS_OK) {
    primaryBuffer = 0;
    return;
  }
  if (soundBufferQueryListener(primaryBuffer, &listener) != DS_OK) {
    soundBufferRelease(primaryBuffer);
    primaryBuffer = 0;
    listener = 0;
    return;
  }
  memset(&listenerParams, 0, sizeof listenerParams);
  listenerParams.dwSize = DS_3D_RECORD_SIZE;
  soundListenerGetAllParameters(listener, &listenerParams);
  listenerParams.flRolloffFactor = LISTENER_ROLLOFF;
  listenerParams.flDopplerFactor = LISTENER_DOPPLER;
  soundListenerSetAllParameters(listener, &listenerParams, DS3D_IMMEDIATE);

  for (int slot = 0; slot < 5; slot++) loadSlot(slot, "cyc4.wav", DSBPLAY_LOOPING);
  loadSlot(SOUND_BOOM, "boom.wav", 0);
  loadSlot(SOUND_TURN, "turn2.wav", 0);
  loadSlot(SOUND_BOOM2, "boom2.wav", 0);
}

void soundPlay(int slot) {
  if (!usable(slot)) return;
  SoundSlot* s = &soundSlots[slot];
  soundBufferStop(s->buffer);
  soundBufferSetCurrentPosition(s->buffer, 0);
  HRESULT result = soundBufferPlay(s->buffer, 0, 0, s->playFlags);
  if (result == DSERR_BUFFERLOST) {
    const HRESULT restored = restoreSlot(s);
    // Not restored yet: this one sound is skipped, and the next play tries again.
    if (restored == DSERR_BUFFERLOST) return;
    result = restored == DS_OK ? soundBufferPlay(s->buffer, 0, 0, s->playFlags) : restored;
  }
  // Any other refusal, a restored buffer's play included (an output gone for good answers
  // a play so), is told once and silences the game.
  if (result != DS_OK) refusePlays();
}

void soundStop(int slot) {
  if (!usable(slot)) return;
  soundBufferStop(soundSlots[slot].buffer);
}

void soundSetFrequency(int slot, int hertz) {
  if (!usable(slot)) return;
  soundBufferSetFrequency(soundSlots[slot].buffer, (uint32_t)hertz);
}

void soundSetVolume(int slot, int hundredthsOfDecibel) {
  if (!usable(slot)) return;
  soundBufferSetVolume(soundSlots[slot].buffer, hundredthsOfDecibel);
}

void soundPlace(int slot, float x, float y, float z, float vx, float vy, float vz) {
  if (!usable(slot)) return;
  DS3DBUFFER params;
  memset(&params, 0, sizeof params);
  params.dwSize = DS_3D_RECORD_SIZE;
  soundBuffer3DGetAllParameters(soundSlots[slot].buffer3d, &params);
  params.vPosition = D3DVECTOR{x, y, z};
  params.vVelocity = D3DVECTOR{vx, vy, vz};
  params.flMinDistance = SLOT_MIN_DISTANCE;
  params.flMaxDistance = SLOT_MAX_DISTANCE;
  params.dwMode = DS3DMODE_HEADRELATIVE;
  soundBuffer3DSetAllParameters(soundSlots[slot].buffer3d, &params, DS3D_IMMEDIATE);
}

void soundShutdown() {
  for (int slot = 0; slot < SOUND_SLOT_COUNT; slot++)
    if (soundSlots[slot].loaded && soundDevice) soundBufferStop(soundSlots[slot].buffer);
  if (soundDevice) {
    soundDeviceRelease(soundDevice);
    soundDevice = 0;
  }
}
