// WAV reader: opens a RIFF WAVE file, copies its format and reads its sample data.
// The caller keeps the open file, the format record and the chunk records.
#pragma once
#include <stdint.h>

#include "platform/riff_file.h"
#include "platform/wave_format.h"

// Results other than 0. The file services' own numbers are passed through as well.
enum {
  WAV_ERR_MEMORY = 0xE000,  // the format record could not be allocated
  WAV_ERR_OPEN = 0xE100,    // the file could not be opened
  WAV_ERR_FORMAT = 0xE101,  // not RIFF WAVE, a "fmt " under 16 bytes, or a short extension
  WAV_ERR_READ = 0xE102,    // the 16 format bytes or the extension count fell short
  WAV_ERR_SHORT = 0xE103,   // the file ran out before the bytes asked for
};

// Opens the file, checks it is RIFF WAVE and copies its format into a record of
// 18 + cbSize bytes allocated here (free it with wavClose). On failure nothing is left
// open or allocated and both out handles are none.
int wavOpen(const char* fileName, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riffChunk);

// Finds the "data" chunk anywhere among the RIFF chunk's sub-chunks and leaves the file on
// its first byte. Returns -1 when the file cannot be positioned.
int wavFindData(HMMIO file, MMCKINFO* dataChunk, const MMCKINFO* riffChunk);

// How many of the data chunk's announced bytes the file really holds, from the chunk's
// first byte to the end of the file. Leaves the file where it was. 0 when unknown.
uint32_t wavBytesPresent(HMMIO file, const MMCKINFO* dataChunk);

// Copies up to `wanted` bytes (at most what is left of the chunk, which is counted down)
// into `destination`. On success *delivered is the count copied; on a failure 0.
int wavRead(HMMIO file, uint32_t wanted, uint8_t* destination, MMCKINFO* dataChunk,
            uint32_t* delivered);

// Frees the format record and closes the file, whichever of them there is. Always 0.
int wavClose(HMMIO* file, WAVEFORMATEX** format);
