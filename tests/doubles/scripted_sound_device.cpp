// The scripted sound device; see scripted_sound_device.h.
#include "scripted_sound_device.h"

#include <stdlib.h>
#include <string.h>

struct SoundBuffer3D {
  DS3DBUFFER params;
};

struct SoundListener {
  DS3DLISTENER params;
};

struct SoundBuffer {
  SoundBuffer* next;
  uint32_t flags;
  uint8_t* bytes;
  uint32_t size;
  int locked;
  int lost;
  int playing;
  SoundBuffer3D face3d;
  SoundListener listener;
};

struct SoundDevice {
  SoundBuffer* buffers;
};

HRESULT scriptedPlayResult = DS_OK;
HRESULT scriptedRestoreResult = DS_OK;
HRESULT scriptedLockResult = DS_OK;
static SoundDevice* openDevice = 0;
static int plays = 0;
static int restores = 0;

void loseScriptedBuffers() {
  for (SoundBuffer* b = openDevice ? openDevice->buffers : 0; b; b = b->next)
    if (!(b->flags & DSBCAPS_PRIMARYBUFFER)) {
      b->lost = 1;
      b->playing = 0;
    }
}

int scriptedPlayCount() { return plays; }
int scriptedRestoreCount() { return restores; }
int scriptedBufferCount() {
  int count = 0;
  for (SoundBuffer* b = openDevice ? openDevice->buffers : 0; b; b = b->next) count++;
  return count;
}

int scriptedBufferPlaying(LPDIRECTSOUNDBUFFER buffer) { return buffer && buffer->playing; }

const uint8_t* scriptedBufferBytes(LPDIRECTSOUNDBUFFER buffer, uint32_t* size) {
  *size = buffer ? buffer->size : 0;
  return buffer ? buffer->bytes : 0;
}

void resetScriptedSoundDevice() {
  scriptedPlayResult = DS_OK;
  scriptedRestoreResult = DS_OK;
  scriptedLockResult = DS_OK;
  plays = restores = 0;
}

HRESULT directSoundCreate(LPDIRECTSOUND* device) {
  *device = (SoundDevice*)calloc(1, sizeof(SoundDevice));
  openDevice = *device;
  return *device ? DS_OK : DSERR_OUTOFMEMORY;
}

HRESULT soundDeviceSetCooperativeLevel(LPDIRECTSOUND, WindowHandle, uint32_t) { return DS_OK; }

HRESULT soundDeviceCreateSoundBuffer(LPDIRECTSOUND device, const DSBUFFERDESC* desc,
                                     LPDIRECTSOUNDBUFFER* out) {
  *out = 0;
  if (!device || !desc) return DSERR_INVALIDPARAM;
  int primary = (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) != 0;
  if (!primary && (desc->dwBufferBytes < DSBSIZE_MIN || !desc->lpwfxFormat)) return DSERR_INVALIDPARAM;
  SoundBuffer* b = (SoundBuffer*)calloc(1, sizeof(SoundBuffer));
  if (!b) return DSERR_OUTOFMEMORY;
  b->flags = desc->dwFlags;
  b->size = primary ? 0 : desc->dwBufferBytes;
  b->bytes = (uint8_t*)calloc(1, b->size ? b->size : 1);
  b->face3d.params.dwSize = DS_3D_RECORD_SIZE;
  b->listener.params.dwSize = DS_3D_RECORD_SIZE;
  b->next = device->buffers;
  device->buffers = b;
  *out = b;
  return DS_OK;
}

static void freeBuffer(SoundBuffer* b) {
  free(b->bytes);
  free(b);
}

void soundDeviceRelease(LPDIRECTSOUND device) {
  while (device->buffers) {
    SoundBuffer* next = device->buffers->next;
    freeBuffer(device->buffers);
    device->buffers = next;
  }
  if (openDevice == device) openDevice = 0;
  free(device);
}

HRESULT soundBufferQueryListener(LPDIRECTSOUNDBUFFER primary, LPDIRECTSOUND3DLISTENER* listener) {
  *listener = primary ? &primary->listener : 0;
  return primary ? DS_OK : DSERR_INVALIDPARAM;
}

HRESULT soundBufferQuery3D(LPDIRECTSOUNDBUFFER buffer, LPDIRECTSOUND3DBUFFER* buffer3d) {
  *buffer3d = buffer ? &buffer->face3d : 0;
  return buffer ? DS_OK : DSERR_INVALIDPARAM;
}

void soundBufferRelease(LPDIRECTSOUNDBUFFER buffer) {
  if (!buffer || !openDevice) return;
  for (SoundBuffer** link = &openDevice->buffers; *link; link = &(*link)->next)
    if (*link == buffer) {
      *link = buffer->next;
      freeBuffer(buffer);
      return;
    }
}

HRESULT soundBufferLock(LPDIRECTSOUNDBUFFER buffer, uint32_t offset, uint32_t bytes,
                        void** region1, uint32_t* bytes1, void**, uint32_t*, uint32_t) {
  if (!buffer || buffer->locked || offset + bytes > buffer->size) return DSERR_INVALIDPARAM;
  if (buffer->lost) return DSERR_BUFFERLOST;
  if (scriptedLockResult != DS_OK) return scriptedLockResult;
  buffer->locked = 1;
  *region1 = buffer->bytes + offset;
  *bytes1 = bytes;
  return DS_OK;
}

HRESULT soundBufferUnlock(LPDIRECTSOUNDBUFFER buffer, void*, uint32_t, void*, uint32_t) {
  if (!buffer || !buffer->locked) return DSERR_INVALIDPARAM;
  buffer->locked = 0;
  return DS_OK;
}

HRESULT soundBufferPlay(LPDIRECTSOUNDBUFFER buffer, uint32_t, uint32_t, uint32_t) {
  plays++;
  if (!buffer) return DSERR_INVALIDPARAM;
  if (buffer->lost) return DSERR_BUFFERLOST;
  buffer->playing = scriptedPlayResult == DS_OK;
  return scriptedPlayResult;
}

HRESULT soundBufferRestore(LPDIRECTSOUNDBUFFER buffer) {
  restores++;
  if (!buffer) return DSERR_INVALIDPARAM;
  if (!buffer->lost) return DS_OK;
  if (scriptedRestoreResult != DS_OK) return scriptedRestoreResult;
  buffer->lost = 0;
  memset(buffer->bytes, 0, buffer->size);
  return DS_OK;
}

HRESULT soundBufferStop(LPDIRECTSOUNDBUFFER buffer) {
  if (!buffer) return DSERR_INVALIDPARAM;
  buffer->playing = 0;
  return DS_OK;
}

HRESULT soundBufferSetCurrentPosition(LPDIRECTSOUNDBUFFER buffer, uint32_t) {
  return buffer ? DS_OK : DSERR_INVALIDPARAM;
}
HRESULT soundBufferSetFrequency(LPDIRECTSOUNDBUFFER buffer, uint32_t) {
  return buffer ? DS_OK : DSERR_INVALIDPARAM;
}
HRESULT soundBufferSetVolume(LPDIRECTSOUNDBUFFER buffer, int32_t) {
  return buffer ? DS_OK : DSERR_INVALIDPARAM;
}

HRESULT soundBuffer3DGetAllParameters(LPDIRECTSOUND3DBUFFER buffer3d, DS3DBUFFER* params) {
  *params = buffer3d->params;
  return DS_OK;
}
HRESULT soundBuffer3DSetAllParameters(LPDIRECTSOUND3DBUFFER buffer3d, const DS3DBUFFER* params,
                                      uint32_t) {
  buffer3d->params = *params;
  return DS_OK;
}
HRESULT soundListenerGetAllParameters(LPDIRECTSOUND3DLISTENER listener, DS3DLISTENER* params) {
  *params = listener->params;
  return DS_OK;
}
HRESULT soundListenerSetAllParameters(LPDIRECTSOUND3DLISTENER listener, const DS3DLISTENER* params,
                                      uint32_t) {
  listener->params = *params;
  return DS_OK;
}
