// Sound device layer on DirectSound, the system's side: DirectSoundCreate,
// SetCooperativeLevel, CreateSoundBuffer (the primary buffer and static secondary buffers),
// QueryInterface for the 3-D listener and 3-D buffers, Lock / Unlock, Play / Restore / Stop /
// SetCurrentPosition, SetFrequency / SetVolume, the 3-D Get/SetAllParameters and Release,
// called through DirectSound's own method tables. Only <windows.h> and <dsound.h> are
// included here; the game's records reach this file through sound_device_dsound_system.h.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "platform/win32/sound_device_dsound_system.h"

// The game header numbers flags and results as DirectSound does.
static_assert(DSSCL_NORMAL == 1 && DSBCAPS_PRIMARYBUFFER == 1 && DSBCAPS_STATIC == 2 &&
                  DSBCAPS_CTRL3D == 16 && DSBCAPS_CTRLFREQUENCY == 32 && DSBCAPS_CTRLVOLUME == 128,
              "buffer flags");
static_assert(DSBPLAY_LOOPING == 1 && DS3D_IMMEDIATE == 0 && DS3DMODE_HEADRELATIVE == 1, "play and 3-D flags");
static_assert(sizeof(DS3DBUFFER) == 64 && sizeof(DS3DLISTENER) == 64, "3-D records");
static_assert(sizeof(WAVEFORMATEX) == 18, "the format record the game hands over");

static IDirectSound* deviceOf(SoundDevice* device) { return reinterpret_cast<IDirectSound*>(device); }
static IDirectSoundBuffer* bufferOf(SoundBuffer* buffer) {
  return reinterpret_cast<IDirectSoundBuffer*>(buffer);
}
static IDirectSound3DBuffer* buffer3dOf(SoundBuffer3D* buffer3d) {
  return reinterpret_cast<IDirectSound3DBuffer*>(buffer3d);
}
static IDirectSound3DListener* listenerOf(SoundListener* listener) {
  return reinterpret_cast<IDirectSound3DListener*>(listener);
}

static void toVector(const float* in, D3DVECTOR* out) {
  out->x = in[0];
  out->y = in[1];
  out->z = in[2];
}

static void fromVector(const D3DVECTOR& in, float* out) {
  out[0] = in.x;
  out[1] = in.y;
  out[2] = in.z;
}

// The device the game still holds when the program exits (the model reader's exit after its
// box, say) is closed first, as a program closing its device would: its mixing thread then
// ends on its own instead of being torn down with the process, which under Wine can crash
// the process after it has asked to end.
static IDirectSound* openDevice = 0;

static void closeOpenDeviceAtExit() {
  IDirectSound* device = openDevice;
  openDevice = 0;
  if (device) device->Release();
}

int32_t dsoundCreate(SoundDevice** device) {
  *device = 0;
  IDirectSound* created = 0;
  HRESULT result = DirectSoundCreate(0, &created, 0);
  if (FAILED(result) || !created) {
    // Nothing we pass can be wrong, so an invalid-argument answer means there is no output
    // to open: Wine answers so where it has no audio route at all.
    if (result == E_INVALIDARG || !FAILED(result)) return DSERR_NODRIVER;
    return result;
  }
  *device = reinterpret_cast<SoundDevice*>(created);
  static int exitHookSet = 0;
  if (!exitHookSet) exitHookSet = atexit(closeOpenDeviceAtExit) == 0;
  openDevice = created;
  return DS_OK;
}

int32_t dsoundSetCooperativeLevel(SoundDevice* device, void* window, uint32_t level) {
  // The game hands its main window. A caller without a window of its own (the sound tests)
  // cooperates through the desktop's.
  HWND hwnd = window ? reinterpret_cast<HWND>(window) : GetDesktopWindow();
  return deviceOf(device)->SetCooperativeLevel(hwnd, level);
}

// What the game may ask for: 8- or 16-bit PCM, mono or stereo, whole sample frames.
static int formatUsable(const WAVEFORMATEX* format) {
  return format->wFormatTag == WAVE_FORMAT_PCM && format->nSamplesPerSec != 0 &&
         (format->nChannels == 1 || format->nChannels == 2) &&
         (format->wBitsPerSample == 8 || format->wBitsPerSample == 16) &&
         format->nBlockAlign == format->nChannels * (format->wBitsPerSample / 8);
}

// A new buffer starts silent, whatever memory DirectSound gave it.
static void fillWithSilence(IDirectSoundBuffer* buffer, const WAVEFORMATEX* format) {
  void* region1 = 0;
  void* region2 = 0;
  DWORD bytes1 = 0, bytes2 = 0;
  if (FAILED(buffer->Lock(0, 0, &region1, &bytes1, &region2, &bytes2, DSBLOCK_ENTIREBUFFER))) return;
  int silence = format->wBitsPerSample == 8 ? 0x80 : 0;
  if (region1) memset(region1, silence, bytes1);
  if (region2) memset(region2, silence, bytes2);
  buffer->Unlock(region1, bytes1, region2, bytes2);
}

int32_t dsoundCreateBuffer(SoundDevice* device, const SoundBufferRequest* request, SoundBuffer** out) {
  const WAVEFORMATEX* format = static_cast<const WAVEFORMATEX*>(request->format);
  if (!(request->flags & DSBCAPS_PRIMARYBUFFER)) {
    if (!format || request->bufferBytes < DSBSIZE_MIN || request->bufferBytes > DSBSIZE_MAX)
      return DSERR_INVALIDPARAM;
    if (!formatUsable(format)) return DSERR_BADFORMAT;
    // Windows' DirectSound refuses 3-D control on a stereo buffer; Wine's takes it and
    // would play the engines unplaced, so the rule is kept here on every DirectSound.
    if ((request->flags & DSBCAPS_CTRL3D) && format->nChannels != 1) return DSERR_INVALIDPARAM;
  }
  DSBUFFERDESC desc;
  ZeroMemory(&desc, sizeof desc);  // guid3DAlgorithm GUID_NULL: DS3DALG_DEFAULT
  desc.dwSize = sizeof desc;
  desc.dwFlags = request->flags;
  desc.dwBufferBytes = request->bufferBytes;
  desc.lpwfxFormat = const_cast<WAVEFORMATEX*>(format);
  IDirectSoundBuffer* buffer = 0;
  HRESULT result = deviceOf(device)->CreateSoundBuffer(&desc, &buffer, 0);
  if (FAILED(result) || !buffer) return FAILED(result) ? result : DSERR_GENERIC;
  if (!(request->flags & DSBCAPS_PRIMARYBUFFER)) fillWithSilence(buffer, format);
  *out = reinterpret_cast<SoundBuffer*>(buffer);
  return DS_OK;
}

void dsoundRelease(SoundDevice* device) {
  if (deviceOf(device) == openDevice) openDevice = 0;
  deviceOf(device)->Release();
}

int32_t dsoundQueryListener(SoundBuffer* primary, SoundListener** listener) {
  void* found = 0;
  HRESULT result = bufferOf(primary)->QueryInterface(IID_IDirectSound3DListener, &found);
  if (FAILED(result) || !found) return FAILED(result) ? result : E_NOINTERFACE;
  *listener = static_cast<SoundListener*>(found);
  return DS_OK;
}

int32_t dsoundQuery3D(SoundBuffer* buffer, SoundBuffer3D** buffer3d) {
  void* found = 0;
  HRESULT result = bufferOf(buffer)->QueryInterface(IID_IDirectSound3DBuffer, &found);
  if (FAILED(result) || !found) return FAILED(result) ? result : E_NOINTERFACE;
  *buffer3d = static_cast<SoundBuffer3D*>(found);
  return DS_OK;
}

void dsoundReleaseBuffer(SoundBuffer* buffer) { bufferOf(buffer)->Release(); }

int32_t dsoundLock(SoundBuffer* buffer, uint32_t offset, uint32_t bytes, void** region1,
                   uint32_t* bytes1, void** region2, uint32_t* bytes2, uint32_t flags) {
  void* first = 0;
  void* second = 0;
  DWORD firstBytes = 0, secondBytes = 0;
  int wantsSecond = region2 && bytes2;
  HRESULT result = bufferOf(buffer)->Lock(offset, bytes, &first, &firstBytes,
                                          wantsSecond ? &second : 0, wantsSecond ? &secondBytes : 0, flags);
  if (FAILED(result)) return result;
  *region1 = first;
  *bytes1 = firstBytes;
  if (region2) *region2 = second;
  if (bytes2) *bytes2 = secondBytes;
  return DS_OK;
}

int32_t dsoundUnlock(SoundBuffer* buffer, void* region1, uint32_t bytes1, void* region2, uint32_t bytes2) {
  return bufferOf(buffer)->Unlock(region1, bytes1, region2, bytes2);
}

int32_t dsoundPlay(SoundBuffer* buffer, uint32_t reserved, uint32_t priority, uint32_t flags) {
  return bufferOf(buffer)->Play(reserved, priority, flags);
}

int32_t dsoundRestore(SoundBuffer* buffer) { return bufferOf(buffer)->Restore(); }

int32_t dsoundStop(SoundBuffer* buffer) { return bufferOf(buffer)->Stop(); }

int32_t dsoundSetCurrentPosition(SoundBuffer* buffer, uint32_t position) {
  return bufferOf(buffer)->SetCurrentPosition(position);
}

int32_t dsoundSetFrequency(SoundBuffer* buffer, uint32_t hertz) {
  return bufferOf(buffer)->SetFrequency(hertz);
}

int32_t dsoundSetVolume(SoundBuffer* buffer, int32_t hundredthsOfDecibel) {
  return bufferOf(buffer)->SetVolume(hundredthsOfDecibel);
}

int32_t dsoundGet3D(SoundBuffer3D* buffer3d, Sound3DFields* fields) {
  DS3DBUFFER params;
  ZeroMemory(&params, sizeof params);
  params.dwSize = sizeof params;
  HRESULT result = buffer3dOf(buffer3d)->GetAllParameters(&params);
  if (FAILED(result)) return result;
  fromVector(params.vPosition, fields->position);
  fromVector(params.vVelocity, fields->velocity);
  fields->insideConeAngle = params.dwInsideConeAngle;
  fields->outsideConeAngle = params.dwOutsideConeAngle;
  fromVector(params.vConeOrientation, fields->coneOrientation);
  fields->coneOutsideVolume = params.lConeOutsideVolume;
  fields->minDistance = params.flMinDistance;
  fields->maxDistance = params.flMaxDistance;
  fields->mode = params.dwMode;
  return DS_OK;
}

int32_t dsoundSet3D(SoundBuffer3D* buffer3d, const Sound3DFields* fields, uint32_t apply) {
  DS3DBUFFER params;
  ZeroMemory(&params, sizeof params);
  params.dwSize = sizeof params;
  toVector(fields->position, &params.vPosition);
  toVector(fields->velocity, &params.vVelocity);
  params.dwInsideConeAngle = fields->insideConeAngle;
  params.dwOutsideConeAngle = fields->outsideConeAngle;
  toVector(fields->coneOrientation, &params.vConeOrientation);
  params.lConeOutsideVolume = fields->coneOutsideVolume;
  params.flMinDistance = fields->minDistance;
  params.flMaxDistance = fields->maxDistance;
  params.dwMode = fields->mode;
  return buffer3dOf(buffer3d)->SetAllParameters(&params, apply);
}

int32_t dsoundGetListener(SoundListener* listener, SoundListenerFields* fields) {
  DS3DLISTENER params;
  ZeroMemory(&params, sizeof params);
  params.dwSize = sizeof params;
  HRESULT result = listenerOf(listener)->GetAllParameters(&params);
  if (FAILED(result)) return result;
  fromVector(params.vPosition, fields->position);
  fromVector(params.vVelocity, fields->velocity);
  fromVector(params.vOrientFront, fields->orientFront);
  fromVector(params.vOrientTop, fields->orientTop);
  fields->distanceFactor = params.flDistanceFactor;
  fields->rolloffFactor = params.flRolloffFactor;
  fields->dopplerFactor = params.flDopplerFactor;
  return DS_OK;
}

int32_t dsoundSetListener(SoundListener* listener, const SoundListenerFields* fields, uint32_t apply) {
  DS3DLISTENER params;
  ZeroMemory(&params, sizeof params);
  params.dwSize = sizeof params;
  toVector(fields->position, &params.vPosition);
  toVector(fields->velocity, &params.vVelocity);
  toVector(fields->orientFront, &params.vOrientFront);
  toVector(fields->orientTop, &params.vOrientTop);
  params.flDistanceFactor = fields->distanceFactor;
  params.flRolloffFactor = fields->rolloffFactor;
  params.flDopplerFactor = fields->dopplerFactor;
  return listenerOf(listener)->SetAllParameters(&params, apply);
}
