// The bounded chunk search of the RIFF file layers.
#include "platform/shared/riff_chunk_search.h"

#include "platform/riff_file.h"

int findRiffChunk(const RiffChunkSteps* steps, uint32_t search, uint32_t wantedId,
                  uint32_t wantedType, const RiffChunkHeader* parent, RiffChunkHeader* found) {
  search &= MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST;
  if (search == MMIO_FINDRIFF) wantedId = mmioFOURCC('R', 'I', 'F', 'F');
  if (search == MMIO_FINDLIST) wantedId = mmioFOURCC('L', 'I', 'S', 'T');
  // Offsets plus sizes in 64 bits: a size of nearly 4 GB must not wrap round.
  int64_t parentEnd = parent ? (int64_t)parent->dataOffset + parent->cksize : INT64_MAX;
  int64_t start = 0;
  if (!steps->position(steps->file, &start)) return 0;
  for (;;) {
    if (start + 8 > parentEnd) return 0;
    RiffChunkHeader header;
    if (!steps->readHeader(steps->file, &header)) return 0;
    int matches = !search || (header.ckid == wantedId &&
                              (search == MMIO_FINDCHUNK || header.fccType == wantedType));
    if (matches) {
      *found = header;
      return 1;
    }
    // Past the chunk's data and its pad byte: every step moves at least 8 bytes on.
    start = (int64_t)header.dataOffset + header.cksize + (header.cksize & 1);
    if (!steps->moveTo(steps->file, start)) return 0;
  }
}
