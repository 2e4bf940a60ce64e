// The sound slots' records and module state, for the slot code and its tests.
#pragma once
#include <stdint.h>

#include "audio/sound_effects.h"
#include "platform/riff_file.h"
#include "platform/sound_device.h"
#include "platform/wave_format.h"

struct SoundSlot {
  LPDIRECTSOUNDBUFFER buffer;      // none until created
  LPDIRECTSOUND3DBUFFER buffer3d;
  WAVEFORMATEX* format;            // the file's format, owned by the slot
  HMMIO file;                      // the WAV file, kept open once loaded
  MMCKINFO dataChunk;
  MMCKINFO riffChunk;
  uint32_t dataSize;               // bytes of sample data; also the buffer's size
  DSBUFFERDESC desc;
  uint32_t playFlags;              // DSBPLAY_LOOPING for the engines, 0 for the rest
  int loaded;
};

extern LPDIRECTSOUND soundDevice;
extern LPDIRECTSOUNDBUFFER primaryBuffer;
extern LPDIRECTSOUND3DLISTENER listener;
extern DS3DLISTENER listenerParams;
extern SoundSlot soundSlots[SOUND_SLOT_COUNT];

// Loads one WAV file into a slot's buffer; a slot that fails stays silent.
void loadSlot(int slot, const char* fileName, uint32_t playFlags);
