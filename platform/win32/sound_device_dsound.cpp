// Sound device layer on DirectSound, the game's side: the functions of
// platform/sound_device.h, checking the game's record sizes and translating its records to
// and from the plain forms sound_device_dsound_system.cpp hands to DirectSound. Only the game
// header is included here.
#include "platform/sound_device.h"

#include "platform/win32/sound_device_dsound_system.h"

static void toFields(const D3DVECTOR& v, float* out) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = v.z;
}

static D3DVECTOR vectorOf(const float* in) { return D3DVECTOR{in[0], in[1], in[2]}; }

HRESULT directSoundCreate(LPDIRECTSOUND* device) {
  if (!device) return DSERR_INVALIDPARAM;
  return dsoundCreate(device);
}

HRESULT soundDeviceSetCooperativeLevel(LPDIRECTSOUND device, WindowHandle window, uint32_t level) {
  if (!device) return DSERR_INVALIDPARAM;
  return dsoundSetCooperativeLevel(device, (void*)window, level);
}

HRESULT soundDeviceCreateSoundBuffer(LPDIRECTSOUND device, const DSBUFFERDESC* desc,
                                     LPDIRECTSOUNDBUFFER* buffer) {
  if (!buffer) return DSERR_INVALIDPARAM;
  *buffer = 0;
  if (!device || !desc || desc->dwSize != DS_BUFFER_DESC_SIZE) return DSERR_INVALIDPARAM;
  SoundBufferRequest request;
  request.flags = desc->dwFlags;
  request.bufferBytes = desc->dwBufferBytes;
  request.format = desc->lpwfxFormat;
  return dsoundCreateBuffer(device, &request, buffer);
}

void soundDeviceRelease(LPDIRECTSOUND device) {
  if (device) dsoundRelease(device);
}

HRESULT soundBufferQueryListener(LPDIRECTSOUNDBUFFER primary, LPDIRECTSOUND3DLISTENER* listener) {
  if (!listener) return DSERR_INVALIDPARAM;
  *listener = 0;
  if (!primary) return DSERR_INVALIDPARAM;
  return dsoundQueryListener(primary, listener);
}

HRESULT soundBufferQuery3D(LPDIRECTSOUNDBUFFER buffer, LPDIRECTSOUND3DBUFFER* buffer3d) {
  if (!buffer3d) return DSERR_INVALIDPARAM;
  *buffer3d = 0;
  if (!buffer) return DSERR_INVALIDPARAM;
  return dsoundQuery3D(buffer, buffer3d);
}

void soundBufferRelease(LPDIRECTSOUNDBUFFER buffer) {
  if (buffer) dsoundReleaseBuffer(buffer);
}

HRESULT soundBufferLock(LPDIRECTSOUNDBUFFER buffer, uint32_t offset, uint32_t bytes,
                        void** region1, uint32_t* bytes1, void** region2, uint32_t* bytes2,
                        uint32_t flags) {
  if (!buffer || !region1 || !bytes1) return DSERR_INVALIDPARAM;
  return dsoundLock(buffer, offset, bytes, region1, bytes1, region2, bytes2, flags);
}

HRESULT soundBufferUnlock(LPDIRECTSOUNDBUFFER buffer, void* region1, uint32_t bytes1,
                          void* region2, uint32_t bytes2) {
  if (!buffer) return DSERR_INVALIDPARAM;
  return dsoundUnlock(buffer, region1, bytes1, region2, bytes2);
}

HRESULT soundBufferPlay(LPDIRECTSOUNDBUFFER buffer, uint32_t reserved, uint32_t priority,
                        uint32_t flags) {
  if (!buffer) return DSERR_INVALIDPARAM;
  return dsoundPlay(buffer, reserved, priority, flags);
}

HRESULT soundBufferRestore(LPDIRECTSOUNDBUFFER buffer) {
  if (!buffer) return DSERR_INVALIDPARAM;
  return dsoundRestore(buffer);
}

HRESULT soundBufferStop(LPDIRECTSOUNDBUFFER buffer) {
  if (!buffer) return DSERR_INVALIDPARAM;
  return dsoundStop(buffer);
}

HRESULT soundBufferSetCurrentPosition(LPDIRECTSOUNDBUFFER buffer, uint32_t position) {
  if (!buffer) return DSERR_INVALIDPARAM;
  return dsoundSetCurrentPosition(buffer, position);
}

HRESULT soundBufferSetFrequency(LPDIRECTSOUNDBUFFER buffer, uint32_t hertz) {
  if (!buffer) return DSERR_INVALIDPARAM;
  return dsoundSetFrequency(buffer, hertz);
}

HRESULT soundBufferSetVolume(LPDIRECTSOUNDBUFFER buffer, int32_t hundredthsOfDecibel) {
  if (!buffer) return DSERR_INVALIDPARAM;
  return dsoundSetVolume(buffer, hundredthsOfDecibel);
}

HRESULT soundBuffer3DGetAllParameters(LPDIRECTSOUND3DBUFFER buffer3d, DS3DBUFFER* params) {
  if (!buffer3d || !params || params->dwSize != DS_3D_RECORD_SIZE) return DSERR_INVALIDPARAM;
  Sound3DFields fields;
  HRESULT result = dsoundGet3D(buffer3d, &fields);
  if (result != DS_OK) return result;
  params->vPosition = vectorOf(fields.position);
  params->vVelocity = vectorOf(fields.velocity);
  params->dwInsideConeAngle = fields.insideConeAngle;
  params->dwOutsideConeAngle = fields.outsideConeAngle;
  params->vConeOrientation = vectorOf(fields.coneOrientation);
  params->lConeOutsideVolume = fields.coneOutsideVolume;
  params->flMinDistance = fields.minDistance;
  params->flMaxDistance = fields.maxDistance;
  params->dwMode = fields.mode;
  return DS_OK;
}

HRESULT soundBuffer3DSetAllParameters(LPDIRECTSOUND3DBUFFER buffer3d, const DS3DBUFFER* params,
                                      uint32_t apply) {
  if (!buffer3d || !params || params->dwSize != DS_3D_RECORD_SIZE) return DSERR_INVALIDPARAM;
  Sound3DFields fields;
  toFields(params->vPosition, fields.position);
  toFields(params->vVelocity, fields.velocity);
  fields.insideConeAngle = params->dwInsideConeAngle;
  fields.outsideConeAngle = params->dwOutsideConeAngle;
  toFields(params->vConeOrientation, fields.coneOrientation);
  fields.coneOutsideVolume = params->lConeOutsideVolume;
  fields.minDistance = params->flMinDistance;
  fields.maxDistance = params->flMaxDistance;
  fields.mode = params->dwMode;
  return dsoundSet3D(buffer3d, &fields, apply);
}

HRESULT soundListenerGetAllParameters(LPDIRECTSOUND3DLISTENER listener, DS3DLISTENER* params) {
  if (!listener || !params || params->dwSize != DS_3D_RECORD_SIZE) return DSERR_INVALIDPARAM;
  SoundListenerFields fields;
  HRESULT result = dsoundGetListener(listener, &fields);
  if (result != DS_OK) return result;
  params->vPosition = vectorOf(fields.position);
  params->vVelocity = vectorOf(fields.velocity);
  params->vOrientFront = vectorOf(fields.orientFront);
  params->vOrientTop = vectorOf(fields.orientTop);
  params->flDistanceFactor = fields.distanceFactor;
  params->flRolloffFactor = fields.rolloffFactor;
  params->flDopplerFactor = fields.dopplerFactor;
  return DS_OK;
}

HRESULT soundListenerSetAllParameters(LPDIRECTSOUND3DLISTENER listener,
                                      const DS3DLISTENER* params, uint32_t apply) {
  if (!listener || !params || params->dwSize != DS_3D_RECORD_SIZE) return DSERR_INVALIDPARAM;
  SoundListenerFields fields;
  toFields(params->vPosition, fields.position);
  toFields(params->vVelocity, fields.velocity);
  toFields(params->vOrientFront, fields.orientFront);
  toFields(params->vOrientTop, fields.orientTop);
  fields.distanceFactor = params->flDistanceFactor;
  fields.rolloffFactor = params->flRolloffFactor;
  fields.dopplerFactor = params->flDopplerFactor;
  return dsoundSetListener(listener, &fields, apply);
}
