#include "audio/wav_reader.h"

#include <stdlib.h>
#include <string.h>

static const FOURCC RIFF_ID = mmioFOURCC('R', 'I', 'F', 'F');
static const FOURCC WAVE_ID = mmioFOURCC('W', 'A', 'V', 'E');
static const FOURCC FMT_ID = mmioFOURCC('f', 'm', 't', ' ');
static const FOURCC DATA_ID = mmioFOURCC('d', 'a', 't', 'a');

enum { PCM_FIELDS_SIZE = 16 };

static int failOpen(int error, HMMIO* file, HMMIO opened, WAVEFORMATEX** format) {
  free(*format);
  *format = 0;
  if (opened) mmioClose(opened, 0);
  *file = 0;
  return error;
}

int wavOpen(const char* fileName, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riffChunk) {
  *format = 0;
  *file = 0;
  HMMIO opened = mmioOpen(fileName, 0, MMIO_ALLOCBUF | MMIO_READ);
  if (!opened) return WAV_ERR_OPEN;

  int error = (int)mmioDescend(opened, riffChunk, 0, 0);
  if (error) return failOpen(error, file, opened, format);
  if (riffChunk->ckid != RIFF_ID || riffChunk->fccType != WAVE_ID)
    return failOpen(WAV_ERR_FORMAT, file, opened, format);

  MMCKINFO fmtChunk;
  memset(&fmtChunk, 0, sizeof fmtChunk);
  fmtChunk.ckid = FMT_ID;
  error = (int)mmioDescend(opened, &fmtChunk, riffChunk, MMIO_FINDCHUNK);
  if (error) return failOpen(error, file, opened, format);
  if (fmtChunk.cksize < PCM_FIELDS_SIZE) return failOpen(WAV_ERR_FORMAT, file, opened, format);

  unsigned char fields[PCM_FIELDS_SIZE];
  if (mmioRead(opened, (char*)fields, PCM_FIELDS_SIZE) != PCM_FIELDS_SIZE)
    return failOpen(WAV_ERR_READ, file, opened, format);
  uint16_t formatTag = (uint16_t)(fields[0] | (fields[1] << 8));

  // The extension count and bytes are only taken from inside the "fmt " chunk: bytes
  // beyond it belong to the next chunk, not to the format.
  uint16_t extensionCount = 0;
  if (formatTag != WAVE_FORMAT_PCM) {
    unsigned char count[2];
    if (fmtChunk.cksize < PCM_FIELDS_SIZE + 2 || mmioRead(opened, (char*)count, 2) != 2)
      return failOpen(WAV_ERR_READ, file, opened, format);
    extensionCount = (uint16_t)(count[0] | (count[1] << 8));
  }

  *format = (WAVEFORMATEX*)malloc(sizeof(WAVEFORMATEX) + extensionCount);
  if (!*format) return failOpen(WAV_ERR_MEMORY, file, opened, format);
  memcpy(*format, fields, PCM_FIELDS_SIZE);
  (*format)->cbSize = extensionCount;

  if (extensionCount != 0) {
    if (fmtChunk.cksize < (uint32_t)PCM_FIELDS_SIZE + 2 + extensionCount ||
        mmioRead(opened, (char*)(*format) + sizeof(WAVEFORMATEX), extensionCount) != extensionCount)
      return failOpen(WAV_ERR_FORMAT, file, opened, format);
  }

  error = (int)mmioAscend(opened, &fmtChunk, 0);
  if (error) return failOpen(error, file, opened, format);
  *file = opened;
  return 0;
}

int wavFindData(HMMIO file, MMCKINFO* dataChunk, const MMCKINFO* riffChunk) {
  // Back to just past the form type, so the search sees every sub-chunk.
  int64_t firstSubChunk = (int64_t)riffChunk->dwDataOffset + 4;
  if (firstSubChunk > INT32_MAX || mmioSeek(file, (int32_t)firstSubChunk, SEEK_SET_MMIO) == -1)
    return -1;
  dataChunk->ckid = DATA_ID;
  return (int)mmioDescend(file, dataChunk, riffChunk, MMIO_FINDCHUNK);
}

uint32_t wavBytesPresent(HMMIO file, const MMCKINFO* dataChunk) {
  int32_t here = mmioSeek(file, 0, SEEK_CUR_MMIO);
  if (here == -1) return 0;
  int32_t end = mmioSeek(file, 0, SEEK_END_MMIO);
  if (mmioSeek(file, here, SEEK_SET_MMIO) == -1 || end == -1) return 0;
  if ((int64_t)end <= (int64_t)dataChunk->dwDataOffset) return 0;
  uint32_t inFile = (uint32_t)((int64_t)end - dataChunk->dwDataOffset);
  return inFile < dataChunk->cksize ? inFile : dataChunk->cksize;
}

int wavRead(HMMIO file, uint32_t wanted, uint8_t* destination, MMCKINFO* dataChunk,
            uint32_t* delivered) {
  MMIOINFO info;
  *delivered = 0;
  if (mmioGetInfo(file, &info, 0) != MMSYSERR_NOERROR) return 1;

  uint32_t count = wanted;
  if (count > dataChunk->cksize) count = dataChunk->cksize;
  dataChunk->cksize -= count;

  uint32_t done = 0;
  while (done < count) {
    if (info.pchNext == info.pchEndRead) {
      int error = (int)mmioAdvance(file, &info, MMIO_READ);
      if (error) return error;
      if (info.pchNext == info.pchEndRead) return WAV_ERR_SHORT;
    }
    uint32_t piece = (uint32_t)(info.pchEndRead - info.pchNext);
    if (piece > count - done) piece = count - done;
    memcpy(destination + done, info.pchNext, piece);
    info.pchNext += piece;
    done += piece;
  }

  int error = (int)mmioSetInfo(file, &info, 0);
  if (error) return error;
  *delivered = count;
  return 0;
}

int wavClose(HMMIO* file, WAVEFORMATEX** format) {
  if (*format) {
    free(*format);
    *format = 0;
  }
  if (*file) {
    mmioClose(*file, 0);
    *file = 0;
  }
  return 0;
}
