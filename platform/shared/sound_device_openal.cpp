// Sound device layer on OpenAL (OpenAL Soft on the desktop, Web Audio in the browser): each
// secondary buffer is one AL buffer played by one AL source; the listener's rolloff goes to
// every source, its Doppler factor to the context.
// Sound space is left-handed (z ahead), OpenAL's right-handed (-z ahead): z changes sign.
// The output's context is made in the background while the game starts up: until the first
// sound needs it, buffers keep their bytes and settings, and get their AL source and buffer
// all at once when the output is first waited for (at the first rewind or play).
#include "platform/sound_device.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "platform/shared/openal_shared.h"

// From OpenAL Soft's extension header, which the browser's OpenAL lacks; asked only of an
// output that names ALC_EXT_disconnect.
#ifndef ALC_CONNECTED
#define ALC_CONNECTED 0x313
#endif

struct SoundBuffer3D {
  SoundBuffer* owner;
  DS3DBUFFER params;
};

struct SoundListener {
  SoundDevice* device;
  DS3DLISTENER params;
};

struct SoundBuffer {
  SoundDevice* device;
  SoundBuffer* next;
  uint32_t flags;
  WAVEFORMATEX format;  // the first 18 bytes of the creator's format
  unsigned char* bytes;
  uint32_t size;
  ALuint source;
  ALuint data;
  int realized;  // 1 with its AL source and buffer, 0 before, -1 when AL had none to give
  float pitch;
  float gain;
  ALenum alFormat;
  int locked;
  void* lockedRegion1;
  void* lockedRegion2;
  SoundBuffer3D* face3d;
  SoundListener* listener;  // primary buffers only
};

struct SoundDevice {
  SoundBuffer* buffers;
  SoundListener* listener;
  float rolloff;
  int output;  // 1 open, 0 its context still being made, -1 none could be made (silent)
};

static const float SPEED_OF_SOUND = 343.3f;  // metres per second at one unit per metre

static int isFinite(float value) { return isfinite(value) != 0; }
static int isFiniteVector(const D3DVECTOR& v) {
  return isFinite(v.x) && isFinite(v.y) && isFinite(v.z);
}

static void setSourceVector(ALuint source, ALenum what, const D3DVECTOR& v) {
  alSource3f(source, what, v.x, v.y, -v.z);
}

static float gainOf(int32_t hundredthsOfDecibel) {
  return powf(10.0f, (float)hundredthsOfDecibel / 2000.0f);
}

static ALenum alFormatOf(const WAVEFORMATEX* format) {
  if (format->wFormatTag != WAVE_FORMAT_PCM || format->nSamplesPerSec == 0) return 0;
  if (format->nBlockAlign != format->nChannels * (format->wBitsPerSample / 8)) return 0;
  if (format->nChannels == 1 && format->wBitsPerSample == 8) return AL_FORMAT_MONO8;
  if (format->nChannels == 1 && format->wBitsPerSample == 16) return AL_FORMAT_MONO16;
  if (format->nChannels == 2 && format->wBitsPerSample == 8) return AL_FORMAT_STEREO8;
  if (format->nChannels == 2 && format->wBitsPerSample == 16) return AL_FORMAT_STEREO16;
  return 0;
}

static DS3DBUFFER default3dParams() {
  DS3DBUFFER params;
  memset(&params, 0, sizeof params);
  params.dwSize = DS_3D_RECORD_SIZE;
  params.dwInsideConeAngle = 360;
  params.dwOutsideConeAngle = 360;
  params.vConeOrientation = D3DVECTOR{0.0f, 0.0f, 1.0f};
  params.lConeOutsideVolume = 0;
  params.flMinDistance = 1.0f;
  params.flMaxDistance = 1000000000.0f;
  params.dwMode = DS3DMODE_NORMAL;
  return params;
}

static void apply3dParams(SoundBuffer* buffer, const DS3DBUFFER& p) {
  ALuint source = buffer->source;
  if (p.dwMode == DS3DMODE_DISABLE) {
    // No 3-D processing: heard as if at the listener, whatever the position.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
  } else {
    alSourcei(source, AL_SOURCE_RELATIVE, p.dwMode == DS3DMODE_HEADRELATIVE ? AL_TRUE : AL_FALSE);
    setSourceVector(source, AL_POSITION, p.vPosition);
    setSourceVector(source, AL_VELOCITY, p.vVelocity);
  }
  alSourcef(source, AL_REFERENCE_DISTANCE, p.flMinDistance);
  alSourcef(source, AL_MAX_DISTANCE, p.flMaxDistance);
  alSourcef(source, AL_CONE_INNER_ANGLE, (float)p.dwInsideConeAngle);
  alSourcef(source, AL_CONE_OUTER_ANGLE, (float)p.dwOutsideConeAngle);
  alSourcef(source, AL_CONE_OUTER_GAIN, gainOf(p.lConeOutsideVolume));
  setSourceVector(source, AL_DIRECTION, p.vConeOrientation);
}

// Sends the whole buffer (cut to whole sample frames) to the AL buffer the source plays.
static int uploadBytes(SoundBuffer* buffer) {
  ALuint source = buffer->source;
  ALint state = AL_INITIAL, offset = 0;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  alGetSourcei(source, AL_BYTE_OFFSET, &offset);
  // An AL buffer cannot change while a source holds it: detach, fill, attach, go on.
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, 0);
  uint32_t frames = buffer->size / buffer->format.nBlockAlign;
  alGetError();
  alBufferData(buffer->data, buffer->alFormat, buffer->bytes,
               (ALsizei)(frames * buffer->format.nBlockAlign), (ALsizei)buffer->format.nSamplesPerSec);
  int ok = alGetError() == AL_NO_ERROR;
  alSourcei(source, AL_BUFFER, (ALint)buffer->data);
  if (state == AL_PLAYING || state == AL_PAUSED) {
    alSourcei(source, AL_BYTE_OFFSET, offset);
    if (state == AL_PLAYING) alSourcePlay(source);
    else alSourcePause(source);
  }
  return ok;
}

static void freeBuffer(SoundBuffer* buffer) {
  if (buffer->realized == 1) {
    alSourceStop(buffer->source);
    alSourcei(buffer->source, AL_BUFFER, 0);
    alDeleteSources(1, &buffer->source);
    alDeleteBuffers(1, &buffer->data);
  }
  free(buffer->bytes);
  free(buffer->face3d);
  free(buffer);
}

static void applyListener(const DS3DLISTENER& p) {
  alListener3f(AL_POSITION, p.vPosition.x, p.vPosition.y, -p.vPosition.z);
  alListener3f(AL_VELOCITY, p.vVelocity.x, p.vVelocity.y, -p.vVelocity.z);
  ALfloat orientation[6] = {p.vOrientFront.x, p.vOrientFront.y, -p.vOrientFront.z,
                            p.vOrientTop.x,   p.vOrientTop.y,   -p.vOrientTop.z};
  alListenerfv(AL_ORIENTATION, orientation);
  alDopplerFactor(p.flDopplerFactor);
  alSpeedOfSound(SPEED_OF_SOUND / p.flDistanceFactor);
}

// Gives a secondary buffer its AL buffer and source, filled and set as the buffer stands.
static int realizeBuffer(SoundBuffer* buffer) {
  alGetError();
  alGenBuffers(1, &buffer->data);
  if (alGetError() != AL_NO_ERROR) buffer->data = 0;
  if (buffer->data) alGenSources(1, &buffer->source);
  if (alGetError() != AL_NO_ERROR) buffer->source = 0;
  if (!buffer->data || !buffer->source) {
    if (buffer->data) alDeleteBuffers(1, &buffer->data);
    buffer->data = buffer->source = 0;
    buffer->realized = -1;
    return 0;
  }
  buffer->realized = 1;
  if (!uploadBytes(buffer)) return 0;
  alSourcef(buffer->source, AL_PITCH, buffer->pitch);
  alSourcef(buffer->source, AL_GAIN, buffer->gain);
  if (buffer->face3d) {
    alSourcef(buffer->source, AL_ROLLOFF_FACTOR, buffer->device->rolloff);
    apply3dParams(buffer, buffer->face3d->params);
  } else {
    // Without 3-D control a buffer sounds at the listener.
    alSourcei(buffer->source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(buffer->source, AL_ROLLOFF_FACTOR, 0.0f);
  }
  return 1;
}

// Whether the output is open, waiting for its context the first time; the buffers made
// before then are given their AL objects here.
static int outputOpen(SoundDevice* device) {
  if (device->output == 0) {
    device->output = openalAwaitOutput() ? 1 : -1;
    if (device->output == 1) {
      if (device->listener) applyListener(device->listener->params);
      for (SoundBuffer* buffer = device->buffers; buffer; buffer = buffer->next)
        if (!(buffer->flags & DSBCAPS_PRIMARYBUFFER) && buffer->realized == 0)
          realizeBuffer(buffer);
    }
  }
  return device->output == 1;
}

HRESULT directSoundCreate(LPDIRECTSOUND* device) {
  if (!device) return DSERR_INVALIDPARAM;
  *device = 0;
  SoundDevice* created = (SoundDevice*)calloc(1, sizeof(SoundDevice));
  if (!created) return DSERR_OUTOFMEMORY;
  if (!openalAcquire()) {
    free(created);
    return DSERR_NODRIVER;
  }
  created->rolloff = 1.0f;
  *device = created;
  return DS_OK;
}

HRESULT soundDeviceSetCooperativeLevel(LPDIRECTSOUND device, WindowHandle, uint32_t level) {
  if (!device || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
  return DS_OK;
}

HRESULT soundDeviceCreateSoundBuffer(LPDIRECTSOUND device, const DSBUFFERDESC* desc,
                                     LPDIRECTSOUNDBUFFER* out) {
  if (!out) return DSERR_INVALIDPARAM;
  *out = 0;
  if (!device || !desc || desc->dwSize != DS_BUFFER_DESC_SIZE) return DSERR_INVALIDPARAM;
  SoundBuffer* buffer = (SoundBuffer*)calloc(1, sizeof(SoundBuffer));
  if (!buffer) return DSERR_OUTOFMEMORY;
  buffer->device = device;
  buffer->flags = desc->dwFlags;
  if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
    // The primary buffer is the mix itself: no size of its own, no format, no source.
    if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) {
      free(buffer);
      return DSERR_INVALIDPARAM;
    }
  } else {
    if (!desc->lpwfxFormat || desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX) {
      free(buffer);
      return DSERR_INVALIDPARAM;
    }
    // DirectSound places only mono buffers: it refuses a 3-D buffer of two channels, and so
    // must this device, or the slot would play unplaced where the desktop keeps it silent.
    if ((desc->dwFlags & DSBCAPS_CTRL3D) && desc->lpwfxFormat->nChannels != 1) {
      free(buffer);
      return DSERR_INVALIDPARAM;
    }
    buffer->format = *desc->lpwfxFormat;
    buffer->alFormat = alFormatOf(&buffer->format);
    if (!buffer->alFormat) {
      free(buffer);
      return DSERR_BADFORMAT;
    }
    buffer->size = desc->dwBufferBytes;
    buffer->pitch = 1.0f;
    buffer->gain = 1.0f;
    buffer->bytes = (unsigned char*)calloc(1, buffer->size);
    if (!buffer->bytes) {
      free(buffer);
      return DSERR_OUTOFMEMORY;
    }
    if (desc->dwFlags & DSBCAPS_CTRL3D) {
      buffer->face3d = (SoundBuffer3D*)calloc(1, sizeof(SoundBuffer3D));
      if (!buffer->face3d) {
        freeBuffer(buffer);
        return DSERR_OUTOFMEMORY;
      }
      buffer->face3d->owner = buffer;
      buffer->face3d->params = default3dParams();
    }
    // Once the output is open, a buffer gets its AL objects as it is made.
    if (device->output == 1 && !realizeBuffer(buffer)) {
      freeBuffer(buffer);
      return DSERR_OUTOFMEMORY;
    }
  }
  buffer->next = device->buffers;
  device->buffers = buffer;
  *out = buffer;
  return DS_OK;
}

void soundDeviceRelease(LPDIRECTSOUND device) {
  if (!device) return;
  SoundBuffer* buffer = device->buffers;
  while (buffer) {
    SoundBuffer* next = buffer->next;
    freeBuffer(buffer);
    buffer = next;
  }
  free(device->listener);
  free(device);
  openalRelease();
}

HRESULT soundBufferQueryListener(LPDIRECTSOUNDBUFFER primary, LPDIRECTSOUND3DLISTENER* listener) {
  if (!listener) return DSERR_INVALIDPARAM;
  *listener = 0;
  if (!primary) return DSERR_INVALIDPARAM;
  if (!(primary->flags & DSBCAPS_PRIMARYBUFFER) || !(primary->flags & DSBCAPS_CTRL3D))
    return DSERR_NOINTERFACE;
  SoundDevice* device = primary->device;
  if (!device->listener) {
    device->listener = (SoundListener*)calloc(1, sizeof(SoundListener));
    if (!device->listener) return DSERR_OUTOFMEMORY;
    DS3DLISTENER* p = &device->listener->params;
    device->listener->device = device;
    p->dwSize = DS_3D_RECORD_SIZE;
    p->vOrientFront = D3DVECTOR{0.0f, 0.0f, 1.0f};
    p->vOrientTop = D3DVECTOR{0.0f, 1.0f, 0.0f};
    p->flDistanceFactor = 1.0f;
    p->flRolloffFactor = 1.0f;
    p->flDopplerFactor = 1.0f;
  }
  *listener = device->listener;
  return DS_OK;
}

HRESULT soundBufferQuery3D(LPDIRECTSOUNDBUFFER buffer, LPDIRECTSOUND3DBUFFER* buffer3d) {
  if (!buffer3d) return DSERR_INVALIDPARAM;
  *buffer3d = 0;
  if (!buffer) return DSERR_INVALIDPARAM;
  if (!buffer->face3d) return DSERR_NOINTERFACE;
  *buffer3d = buffer->face3d;
  return DS_OK;
}

void soundBufferRelease(LPDIRECTSOUNDBUFFER buffer) {
  if (!buffer) return;
  SoundDevice* device = buffer->device;
  for (SoundBuffer** link = &device->buffers; *link; link = &(*link)->next) {
    if (*link == buffer) {
      *link = buffer->next;
      break;
    }
  }
  freeBuffer(buffer);
}

HRESULT soundBufferLock(LPDIRECTSOUNDBUFFER buffer, uint32_t offset, uint32_t bytes,
                        void** region1, uint32_t* bytes1, void** region2, uint32_t* bytes2,
                        uint32_t flags) {
  if (!buffer || !region1 || !bytes1 || !buffer->bytes || buffer->locked) return DSERR_INVALIDPARAM;
  if (flags & DSBLOCK_FROMWRITECURSOR) return DSERR_INVALIDPARAM;  // static buffers have none worth using
  if (flags & DSBLOCK_ENTIREBUFFER) {
    offset = 0;
    bytes = buffer->size;
  }
  if (offset >= buffer->size || bytes == 0 || bytes > buffer->size) return DSERR_INVALIDPARAM;
  uint32_t first = buffer->size - offset;
  if (first > bytes) first = bytes;
  uint32_t wrapped = bytes - first;
  if (wrapped && (!region2 || !bytes2)) return DSERR_INVALIDPARAM;
  *region1 = buffer->bytes + offset;
  *bytes1 = first;
  if (region2) *region2 = wrapped ? buffer->bytes : 0;
  if (bytes2) *bytes2 = wrapped;
  buffer->locked = 1;
  buffer->lockedRegion1 = *region1;
  buffer->lockedRegion2 = wrapped ? buffer->bytes : 0;
  return DS_OK;
}

HRESULT soundBufferUnlock(LPDIRECTSOUNDBUFFER buffer, void* region1, uint32_t, void* region2,
                          uint32_t) {
  if (!buffer || !buffer->locked || region1 != buffer->lockedRegion1 ||
      (region2 && region2 != buffer->lockedRegion2))
    return DSERR_INVALIDPARAM;
  buffer->locked = 0;
  buffer->lockedRegion1 = buffer->lockedRegion2 = 0;
  if (buffer->realized != 1) return DS_OK;  // the bytes go with the AL buffer when it is made
  return uploadBytes(buffer) ? DS_OK : DSERR_GENERIC;
}

HRESULT soundBufferPlay(LPDIRECTSOUNDBUFFER buffer, uint32_t, uint32_t, uint32_t flags) {
  if (!buffer) return DSERR_INVALIDPARAM;
  if (buffer->flags & DSBCAPS_PRIMARYBUFFER) return DS_OK;  // the mix always runs
  // An output whose context could not be made is silent, like a missing device.
  if (!outputOpen(buffer->device)) return DS_OK;
  if (buffer->realized != 1) return DSERR_OUTOFMEMORY;
  ALCcontext* context = alcGetCurrentContext();
  ALCdevice* output = context ? alcGetContextsDevice(context) : 0;
  ALCint connected = 1;
  if (output && alcIsExtensionPresent(output, "ALC_EXT_disconnect"))
    alcGetIntegerv(output, ALC_CONNECTED, 1, &connected);
  if (!output || !connected) return DSERR_BUFFERLOST;
  alGetError();
  alSourcei(buffer->source, AL_LOOPING, (flags & DSBPLAY_LOOPING) ? AL_TRUE : AL_FALSE);
  ALint state = AL_INITIAL;
  alGetSourcei(buffer->source, AL_SOURCE_STATE, &state);
  if (state != AL_PLAYING) alSourcePlay(buffer->source);
  return alGetError() == AL_NO_ERROR ? DS_OK : DSERR_GENERIC;
}

// The buffer's bytes live here, not in the output: they are never lost.
HRESULT soundBufferRestore(LPDIRECTSOUNDBUFFER buffer) {
  return buffer ? DS_OK : DSERR_INVALIDPARAM;
}

HRESULT soundBufferStop(LPDIRECTSOUNDBUFFER buffer) {
  if (!buffer) return DSERR_INVALIDPARAM;
  if (buffer->flags & DSBCAPS_PRIMARYBUFFER) return DS_OK;
  if (buffer->realized != 1) return DS_OK;  // it has never played
  ALint state = AL_INITIAL;
  alGetSourcei(buffer->source, AL_SOURCE_STATE, &state);
  // Pausing keeps the position, as stopping a DirectSound buffer does.
  if (state == AL_PLAYING) alSourcePause(buffer->source);
  return DS_OK;
}

HRESULT soundBufferSetCurrentPosition(LPDIRECTSOUNDBUFFER buffer, uint32_t position) {
  if (!buffer || (buffer->flags & DSBCAPS_PRIMARYBUFFER) || position >= buffer->size)
    return DSERR_INVALIDPARAM;
  uint32_t frameStart = position - position % buffer->format.nBlockAlign;
  if (!outputOpen(buffer->device) || buffer->realized != 1) return DS_OK;
  // The source is rewound before it is placed, and a playing one goes on from there: the
  // browser's OpenAL fails when seeking in a source that has played its buffer through
  // once (a finished one, or a looping one past its first round). A rewound source plays
  // from the offset set on it, in every OpenAL.
  ALint state = AL_INITIAL;
  alGetSourcei(buffer->source, AL_SOURCE_STATE, &state);
  alSourceRewind(buffer->source);
  alGetError();
  alSourcei(buffer->source, AL_BYTE_OFFSET, (ALint)frameStart);
  int placed = alGetError() == AL_NO_ERROR;
  if (state == AL_PLAYING) alSourcePlay(buffer->source);
  return placed ? DS_OK : DSERR_INVALIDPARAM;
}

HRESULT soundBufferSetFrequency(LPDIRECTSOUNDBUFFER buffer, uint32_t hertz) {
  if (!buffer || (buffer->flags & DSBCAPS_PRIMARYBUFFER)) return DSERR_INVALIDPARAM;
  if (!(buffer->flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
  if (hertz != DSBFREQUENCY_ORIGINAL && (hertz < DSBFREQUENCY_MIN || hertz > DSBFREQUENCY_MAX))
    return DSERR_INVALIDPARAM;
  buffer->pitch = hertz == DSBFREQUENCY_ORIGINAL ? 1.0f : (float)hertz / (float)buffer->format.nSamplesPerSec;
  if (buffer->realized == 1) alSourcef(buffer->source, AL_PITCH, buffer->pitch);
  return DS_OK;
}

HRESULT soundBufferSetVolume(LPDIRECTSOUNDBUFFER buffer, int32_t hundredthsOfDecibel) {
  if (!buffer || (buffer->flags & DSBCAPS_PRIMARYBUFFER)) return DSERR_INVALIDPARAM;
  if (!(buffer->flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
  if (hundredthsOfDecibel < DSBVOLUME_MIN || hundredthsOfDecibel > DSBVOLUME_MAX)
    return DSERR_INVALIDPARAM;
  buffer->gain = gainOf(hundredthsOfDecibel);
  if (buffer->realized == 1) alSourcef(buffer->source, AL_GAIN, buffer->gain);
  return DS_OK;
}

HRESULT soundBuffer3DGetAllParameters(LPDIRECTSOUND3DBUFFER buffer3d, DS3DBUFFER* params) {
  if (!buffer3d || !params || params->dwSize != DS_3D_RECORD_SIZE) return DSERR_INVALIDPARAM;
  *params = buffer3d->params;
  return DS_OK;
}

HRESULT soundBuffer3DSetAllParameters(LPDIRECTSOUND3DBUFFER buffer3d, const DS3DBUFFER* params,
                                      uint32_t) {
  if (!buffer3d || !params || params->dwSize != DS_3D_RECORD_SIZE) return DSERR_INVALIDPARAM;
  const DS3DBUFFER& p = *params;
  if (!isFiniteVector(p.vPosition) || !isFiniteVector(p.vVelocity) ||
      !isFiniteVector(p.vConeOrientation) || !isFinite(p.flMinDistance) ||
      !isFinite(p.flMaxDistance) || p.flMinDistance <= 0.0f || p.flMaxDistance <= 0.0f ||
      p.dwInsideConeAngle > 360 || p.dwOutsideConeAngle > 360 ||
      p.dwInsideConeAngle > p.dwOutsideConeAngle || p.lConeOutsideVolume < DSBVOLUME_MIN ||
      p.lConeOutsideVolume > DSBVOLUME_MAX || p.dwMode > DS3DMODE_DISABLE)
    return DSERR_INVALIDPARAM;
  buffer3d->params = p;
  // Deferred settings are applied at once too: nothing here commits them later.
  if (buffer3d->owner->realized == 1) apply3dParams(buffer3d->owner, p);
  return DS_OK;
}

HRESULT soundListenerGetAllParameters(LPDIRECTSOUND3DLISTENER listener, DS3DLISTENER* params) {
  if (!listener || !params || params->dwSize != DS_3D_RECORD_SIZE) return DSERR_INVALIDPARAM;
  *params = listener->params;
  return DS_OK;
}

HRESULT soundListenerSetAllParameters(LPDIRECTSOUND3DLISTENER listener, const DS3DLISTENER* params,
                                      uint32_t) {
  if (!listener || !params || params->dwSize != DS_3D_RECORD_SIZE) return DSERR_INVALIDPARAM;
  const DS3DLISTENER& p = *params;
  if (!isFiniteVector(p.vPosition) || !isFiniteVector(p.vVelocity) ||
      !isFiniteVector(p.vOrientFront) || !isFiniteVector(p.vOrientTop) ||
      !isFinite(p.flDistanceFactor) || p.flDistanceFactor <= 0.0f ||
      !(p.flRolloffFactor >= 0.0f && p.flRolloffFactor <= 10.0f) ||
      !(p.flDopplerFactor >= 0.0f && p.flDopplerFactor <= 10.0f))
    return DSERR_INVALIDPARAM;
  listener->params = p;
  SoundDevice* device = listener->device;
  device->rolloff = p.flRolloffFactor;
  if (device->output != 1) return DS_OK;  // applied when the output opens
  applyListener(p);
  for (SoundBuffer* buffer = device->buffers; buffer; buffer = buffer->next)
    if (buffer->face3d && buffer->realized == 1)
      alSourcef(buffer->source, AL_ROLLOFF_FACTOR, p.flRolloffFactor);
  return DS_OK;
}
