// Sound device layer: a 3-D mixing device with static sound buffers and a listener, shaped
// like Windows' DirectSound (the Win32 backend uses it; others mix with a library of their own).
// Windows' headers define the same records: the Win32 backend keeps them apart, in one file
// that sees only this header and one that sees only Windows' own.
#pragma once
#include <stdint.h>

#include "platform/wave_format.h"
#include "platform/window.h"

typedef int32_t HRESULT;

// Results, numbered as DirectSound numbers them. Failures are negative.
enum : int32_t {
  DS_OK = 0,
  DSERR_GENERIC = (int32_t)0x80004005,
  DSERR_NOINTERFACE = (int32_t)0x80004002,
  DSERR_OUTOFMEMORY = (int32_t)0x8007000E,
  DSERR_INVALIDPARAM = (int32_t)0x80070057,
  DSERR_BADFORMAT = (int32_t)0x88780064,
  DSERR_NODRIVER = (int32_t)0x88780078,
  DSERR_BUFFERLOST = (int32_t)0x88780096,
  DSERR_INVALIDCALL = (int32_t)0x88780032,
  DSERR_CONTROLUNAVAIL = (int32_t)0x8878001E,
};

enum : uint32_t {
  DSSCL_NORMAL = 1,
  DSSCL_PRIORITY = 2,
  DSSCL_EXCLUSIVE = 3,
  DSSCL_WRITEPRIMARY = 4,

  DSBCAPS_PRIMARYBUFFER = 0x0001,
  DSBCAPS_STATIC = 0x0002,
  DSBCAPS_CTRL3D = 0x0010,
  DSBCAPS_CTRLFREQUENCY = 0x0020,
  DSBCAPS_CTRLPAN = 0x0040,
  DSBCAPS_CTRLVOLUME = 0x0080,

  DSBPLAY_LOOPING = 0x0001,
  DSBLOCK_FROMWRITECURSOR = 0x0001,
  DSBLOCK_ENTIREBUFFER = 0x0002,

  DS3D_IMMEDIATE = 0,
  DS3D_DEFERRED = 1,
  DS3DMODE_NORMAL = 0,
  DS3DMODE_HEADRELATIVE = 1,
  DS3DMODE_DISABLE = 2,

  DSBFREQUENCY_ORIGINAL = 0,
  DSBFREQUENCY_MIN = 100,
  DSBFREQUENCY_MAX = 200000,
  DSBSIZE_MIN = 4,
  DSBSIZE_MAX = 0x0FFFFFFF,
};

enum : int32_t { DSBVOLUME_MIN = -10000, DSBVOLUME_MAX = 0 };

// Sound space is left-handed like DirectSound's: x right, y up, z ahead.
struct D3DVECTOR {
  float x, y, z;
};

struct DSBUFFERDESC {
  uint32_t dwSize;           // 20
  uint32_t dwFlags;          // DSBCAPS_*
  uint32_t dwBufferBytes;    // 0 for the primary buffer
  uint32_t dwReserved;
  WAVEFORMATEX* lpwfxFormat; // null for the primary buffer
};

struct DS3DBUFFER {
  uint32_t dwSize;  // 64
  D3DVECTOR vPosition;
  D3DVECTOR vVelocity;
  uint32_t dwInsideConeAngle;
  uint32_t dwOutsideConeAngle;
  D3DVECTOR vConeOrientation;
  int32_t lConeOutsideVolume;
  float flMinDistance;
  float flMaxDistance;
  uint32_t dwMode;
};

struct DS3DLISTENER {
  uint32_t dwSize;  // 64
  D3DVECTOR vPosition;
  D3DVECTOR vVelocity;
  D3DVECTOR vOrientFront;
  D3DVECTOR vOrientTop;
  float flDistanceFactor;
  float flRolloffFactor;
  float flDopplerFactor;
};

enum { DS_BUFFER_DESC_SIZE = 20, DS_3D_RECORD_SIZE = 64 };

typedef struct SoundDevice* LPDIRECTSOUND;
typedef struct SoundBuffer* LPDIRECTSOUNDBUFFER;
typedef struct SoundBuffer3D* LPDIRECTSOUND3DBUFFER;
typedef struct SoundListener* LPDIRECTSOUND3DLISTENER;

// The sound slots open the default playback device once at start-up. DSERR_NODRIVER
// when there is none; *device is then null.
HRESULT directSoundCreate(LPDIRECTSOUND* device);

// The sound slots set the cooperation with other programs right after opening the device.
// DSERR_INVALIDPARAM for an unknown level. DirectSound ties the level to the window's focus;
// a backend without such levels mixes with every other program and ignores the window.
HRESULT soundDeviceSetCooperativeLevel(LPDIRECTSOUND device, WindowHandle window, uint32_t level);

// The sound slots create the primary buffer (DSBCAPS_PRIMARYBUFFER, no size, no format)
// and one static secondary buffer per slot (8- or 16-bit PCM, mono or stereo, DSBSIZE_MIN
// to DSBSIZE_MAX bytes), which starts silent (all zero) and stopped at position 0. A buffer
// with DSBCAPS_CTRL3D must be mono: a stereo one is refused with DSERR_INVALIDPARAM.
HRESULT soundDeviceCreateSoundBuffer(LPDIRECTSOUND device, const DSBUFFERDESC* desc,
                                     LPDIRECTSOUNDBUFFER* buffer);

// Shutdown releases the device, and with it every buffer, 3-D interface and listener
// it made: all of those handles are dead afterwards.
void soundDeviceRelease(LPDIRECTSOUND device);

// Start-up asks the primary buffer (created with DSBCAPS_CTRL3D) for the listener.
// DSERR_NOINTERFACE for any other buffer.
HRESULT soundBufferQueryListener(LPDIRECTSOUNDBUFFER primary, LPDIRECTSOUND3DLISTENER* listener);

// Each slot asks its secondary buffer (created with DSBCAPS_CTRL3D) for its 3-D interface.
// DSERR_NOINTERFACE for a buffer without 3-D control.
HRESULT soundBufferQuery3D(LPDIRECTSOUNDBUFFER buffer, LPDIRECTSOUND3DBUFFER* buffer3d);

// Start-up releases the primary buffer when the listener is refused; no other buffer is
// released one by one.
void soundBufferRelease(LPDIRECTSOUNDBUFFER buffer);

// A slot locks its buffer to copy the sound in. The region runs from `offset` for `bytes`
// (the whole buffer with DSBLOCK_ENTIREBUFFER); what passes the end wraps round to the
// second region. DSERR_INVALIDPARAM for an offset or a size beyond the buffer.
HRESULT soundBufferLock(LPDIRECTSOUNDBUFFER buffer, uint32_t offset, uint32_t bytes,
                        void** region1, uint32_t* bytes1, void** region2, uint32_t* bytes2,
                        uint32_t flags);

// After copying, the slot unlocks the regions; the buffer then sounds with its new
// contents. DSERR_INVALIDPARAM for regions that are not the locked ones.
HRESULT soundBufferUnlock(LPDIRECTSOUNDBUFFER buffer, void* region1, uint32_t bytes1,
                          void* region2, uint32_t bytes2);

// Slots play from where they stand; DSBPLAY_LOOPING repeats the buffer. A buffer that is
// already playing goes on (only the looping flag changes). Fails when the device refuses.
HRESULT soundBufferPlay(LPDIRECTSOUNDBUFFER buffer, uint32_t reserved, uint32_t priority,
                        uint32_t flags);

// A buffer the device has taken back answers DSERR_BUFFERLOST to a play or a lock (on
// Windows: another program took the output, or the device was reset). Restoring gives it
// its memory back but not its sound, which the caller copies in again; its settings stay.
// Fails while the device still holds the memory. Backends that never lose buffers succeed.
HRESULT soundBufferRestore(LPDIRECTSOUNDBUFFER buffer);

// Slots stop where they are; a later play resumes from there.
HRESULT soundBufferStop(LPDIRECTSOUNDBUFFER buffer);

// Slots rewind before playing: the position in bytes from the buffer's start.
HRESULT soundBufferSetCurrentPosition(LPDIRECTSOUNDBUFFER buffer, uint32_t position);

// The engine pitch: playback rate in hertz (DSBFREQUENCY_MIN..MAX), whatever the sound's
// own rate; DSBFREQUENCY_ORIGINAL restores the sound's own rate.
HRESULT soundBufferSetFrequency(LPDIRECTSOUNDBUFFER buffer, uint32_t hertz);

// Volumes in hundredths of a decibel, DSBVOLUME_MIN (silent) to DSBVOLUME_MAX (full).
HRESULT soundBufferSetVolume(LPDIRECTSOUNDBUFFER buffer, int32_t hundredthsOfDecibel);

// Slots read a buffer's 3-D settings before changing some of them (record size 64).
HRESULT soundBuffer3DGetAllParameters(LPDIRECTSOUND3DBUFFER buffer3d, DS3DBUFFER* params);

// ... and write them back. Distance rule: full volume up to flMinDistance, then
// min / (min + rolloff * (distance - min)), held from flMaxDistance on.
// DS3DMODE_HEADRELATIVE places the buffer in the listener's frame.
HRESULT soundBuffer3DSetAllParameters(LPDIRECTSOUND3DBUFFER buffer3d, const DS3DBUFFER* params,
                                      uint32_t apply);

// Start-up reads the listener's settings once (record size 64) ...
HRESULT soundListenerGetAllParameters(LPDIRECTSOUND3DLISTENER listener, DS3DLISTENER* params);

// ... and writes them back with its rolloff and Doppler factors, which apply to every
// buffer of the device.
HRESULT soundListenerSetAllParameters(LPDIRECTSOUND3DLISTENER listener,
                                      const DS3DLISTENER* params, uint32_t apply);
