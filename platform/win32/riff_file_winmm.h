// RIFF file layer of the Win32 backend, between its two halves: riff_file_mmio.cpp sees only
// the game's platform/riff_file.h, riff_file_winmm.cpp only <windows.h> and <mmsystem.h>.
// The two define the same names (MMCKINFO, MMIOINFO, HMMIO, the error numbers), so neither
// half includes the other's header; the records cross between them in these plain forms.
#pragma once
#include <stdint.h>

struct RiffFile;  // one open file: the multimedia handle and its buffer state (winmm half)

// A chunk record, field for field as both headers lay it out.
struct RiffChunkFields {
  uint32_t ckid;
  uint32_t cksize;
  uint32_t fccType;
  uint32_t dataOffset;
  uint32_t flags;
};

// The buffer state fields the WAV reader reads and moves.
struct RiffBufferFields {
  uint32_t flags;
  int32_t bufferSize;
  char* buffer;
  char* next;
  char* endRead;
  char* endWrite;
  int64_t bufferOffset;
  int64_t diskOffset;
};

// Each of these does what the game header's function of the same role promises; flags,
// origins and result numbers have the same values on both sides.
RiffFile* winmmRiffOpen(const char* fileName, int32_t bufferSize, uint32_t flags, uint32_t* error);
uint32_t winmmRiffClose(RiffFile* file);
int32_t winmmRiffRead(RiffFile* file, char* destination, int32_t count);
int32_t winmmRiffSeek(RiffFile* file, int32_t offset, int origin);
uint32_t winmmRiffDescend(RiffFile* file, RiffChunkFields* chunk, const RiffChunkFields* parent,
                          uint32_t flags);
uint32_t winmmRiffAscend(RiffFile* file, const RiffChunkFields* chunk);
uint32_t winmmRiffGetInfo(RiffFile* file, RiffBufferFields* state);
// `state` may be null (refill from where the file stands).
uint32_t winmmRiffAdvance(RiffFile* file, RiffBufferFields* state, uint32_t flags);
uint32_t winmmRiffSetInfo(RiffFile* file, const RiffBufferFields* state);
