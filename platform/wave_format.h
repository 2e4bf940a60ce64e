// Wave format layer: the record describing sampled sound, shared by the WAV reader and the sound device.
// Windows' headers define the same records: the Win32 backend keeps them apart, in one file
// that sees only this header and one that sees only Windows' own.
#pragma once
#include <stdint.h>

enum { WAVE_FORMAT_PCM = 1 };

// Laid out byte for byte as in a WAV file's "fmt " chunk, then the extension count; the
// extension bytes, when there are any, follow the record in the same allocation.
#pragma pack(push, 1)
struct WAVEFORMATEX {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;
};
#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18, "the format record is 18 bytes before its extension");
