// Sound device layer of the Win32 backend, between its two halves: sound_device_dsound.cpp
// sees only the game's platform/sound_device.h, sound_device_dsound_system.cpp only
// <windows.h> and <dsound.h>. Both define HRESULT, D3DVECTOR, DSBUFFERDESC, DS3DBUFFER and
// DS3DLISTENER (HRESULT even as a different type), so neither half includes the other's
// header; the records cross between them in these plain forms, and results as int32_t.
#pragma once
#include <stdint.h>

// The game's handle types, never defined: each stands for the DirectSound interface of
// the same role (IDirectSound, IDirectSoundBuffer, IDirectSound3DBuffer,
// IDirectSound3DListener), which the system half casts it to.
struct SoundDevice;
struct SoundBuffer;
struct SoundBuffer3D;
struct SoundListener;

struct SoundBufferRequest {
  uint32_t flags;
  uint32_t bufferBytes;
  const void* format;  // the game's 18-byte WAVEFORMATEX, laid out as Windows' own
};

// DS3DBUFFER, field for field.
struct Sound3DFields {
  float position[3];
  float velocity[3];
  uint32_t insideConeAngle;
  uint32_t outsideConeAngle;
  float coneOrientation[3];
  int32_t coneOutsideVolume;
  float minDistance;
  float maxDistance;
  uint32_t mode;
};

// DS3DLISTENER, field for field.
struct SoundListenerFields {
  float position[3];
  float velocity[3];
  float orientFront[3];
  float orientTop[3];
  float distanceFactor;
  float rolloffFactor;
  float dopplerFactor;
};

// Each does what the game header's function of the same role promises, on DirectSound.
// `window` is the window's HWND (the Win32 window layer makes a WindowHandle the HWND).
int32_t dsoundCreate(SoundDevice** device);
int32_t dsoundSetCooperativeLevel(SoundDevice* device, void* window, uint32_t level);
int32_t dsoundCreateBuffer(SoundDevice* device, const SoundBufferRequest* request, SoundBuffer** buffer);
void dsoundRelease(SoundDevice* device);
int32_t dsoundQueryListener(SoundBuffer* primary, SoundListener** listener);
int32_t dsoundQuery3D(SoundBuffer* buffer, SoundBuffer3D** buffer3d);
void dsoundReleaseBuffer(SoundBuffer* buffer);
int32_t dsoundLock(SoundBuffer* buffer, uint32_t offset, uint32_t bytes, void** region1,
                   uint32_t* bytes1, void** region2, uint32_t* bytes2, uint32_t flags);
int32_t dsoundUnlock(SoundBuffer* buffer, void* region1, uint32_t bytes1, void* region2, uint32_t bytes2);
int32_t dsoundPlay(SoundBuffer* buffer, uint32_t reserved, uint32_t priority, uint32_t flags);
int32_t dsoundRestore(SoundBuffer* buffer);
int32_t dsoundStop(SoundBuffer* buffer);
int32_t dsoundSetCurrentPosition(SoundBuffer* buffer, uint32_t position);
int32_t dsoundSetFrequency(SoundBuffer* buffer, uint32_t hertz);
int32_t dsoundSetVolume(SoundBuffer* buffer, int32_t hundredthsOfDecibel);
int32_t dsoundGet3D(SoundBuffer3D* buffer3d, Sound3DFields* fields);
int32_t dsoundSet3D(SoundBuffer3D* buffer3d, const Sound3DFields* fields, uint32_t apply);
int32_t dsoundGetListener(SoundListener* listener, SoundListenerFields* fields);
int32_t dsoundSetListener(SoundListener* listener, const SoundListenerFields* fields, uint32_t apply);
