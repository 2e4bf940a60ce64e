// The chunk search of the RIFF file layers, shared by every backend: a damaged size must
// neither send the search backwards nor past the chunk it is searching in. Only plain
// types here: Windows' headers define the RIFF layer's own names too.
#pragma once
#include <stdint.h>

// One chunk header, as the search reads it.
struct RiffChunkHeader {
  uint32_t ckid;
  uint32_t cksize;
  uint32_t fccType;     // RIFF and LIST chunks only, else 0
  uint32_t dataOffset;  // file offset of the data (past the form type for RIFF and LIST)
};

// What the search asks of a backend's open file. Each step returns 0 when it cannot.
struct RiffChunkSteps {
  void* file;
  int (*position)(void* file, int64_t* position);
  // Reads the header at the current position and leaves the file on the chunk's data.
  int (*readHeader)(void* file, RiffChunkHeader* header);
  int (*moveTo)(void* file, int64_t position);
};

// Reads chunk headers from the current position on, skipping each chunk that does not
// match, until one matches `search` (mmioDescend's search flags: none takes the next
// chunk, FINDCHUNK matches wantedId, FINDRIFF and FINDLIST a RIFF or LIST chunk of
// wantedType). Stays inside `parent` when one is given. Returns 1 with the match in
// `found`, 0 when the file or the parent ends first.
int findRiffChunk(const RiffChunkSteps* steps, uint32_t search, uint32_t wantedId,
                  uint32_t wantedType, const RiffChunkHeader* parent, RiffChunkHeader* found);
