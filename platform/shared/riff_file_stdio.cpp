// RIFF file layer on stdio: one FILE, an optional read buffer and the buffer state record.
#include "platform/riff_file.h"
#include "platform/shared/riff_chunk_search.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>

struct RiffFile {
  FILE* stream;
  MMIOINFO info;  // pchBuffer null when unbuffered; lDiskOffset is where the stream stands
  int64_t unbufferedPosition;
};

static const FOURCC RIFF_ID = mmioFOURCC('R', 'I', 'F', 'F');
static const FOURCC LIST_ID = mmioFOURCC('L', 'I', 'S', 'T');

// The logical position: the buffer's file offset plus how far into it the reader is.
static int64_t currentPosition(const RiffFile* file) {
  if (!file->info.pchBuffer) return file->unbufferedPosition;
  return file->info.lBufOffset + (file->info.pchNext - file->info.pchBuffer);
}

static int streamSeek(RiffFile* file, int64_t position) {
  if (position < 0) return 0;
  if (fseeko(file->stream, (off_t)position, SEEK_SET) != 0) return 0;
  file->info.lDiskOffset = position;
  return 1;
}

// Refills the buffer with the bytes from `position` on. Returns 0 on a read error.
static int fillBuffer(RiffFile* file, int64_t position) {
  MMIOINFO* info = &file->info;
  if (!streamSeek(file, position)) return 0;
  size_t got = fread(info->pchBuffer, 1, (size_t)info->cchBuffer, file->stream);
  if (got < (size_t)info->cchBuffer && ferror(file->stream)) {
    clearerr(file->stream);
    got = 0;
  }
  info->lBufOffset = position;
  info->lDiskOffset = position + (int64_t)got;
  info->pchNext = info->pchBuffer;
  info->pchEndRead = info->pchBuffer + got;
  info->pchEndWrite = info->pchBuffer + info->cchBuffer;
  return 1;
}

// Moves to an absolute position; keeps the buffer when the position lies inside it.
static int moveTo(RiffFile* file, int64_t position) {
  if (position < 0) return 0;
  MMIOINFO* info = &file->info;
  if (!info->pchBuffer) {
    if (!streamSeek(file, position)) return 0;
    file->unbufferedPosition = position;
    return 1;
  }
  if (position >= info->lBufOffset && position <= info->lBufOffset + (info->pchEndRead - info->pchBuffer)) {
    info->pchNext = info->pchBuffer + (position - info->lBufOffset);
    return 1;
  }
  // Outside the buffer: leave it empty at the new position; the next read refills it.
  if (!streamSeek(file, position)) return 0;
  info->lBufOffset = position;
  info->pchNext = info->pchBuffer;
  info->pchEndRead = info->pchBuffer;
  return 1;
}

static int32_t readBytes(RiffFile* file, char* destination, int32_t count) {
  if (count <= 0) return 0;
  MMIOINFO* info = &file->info;
  if (!info->pchBuffer) {
    if (!streamSeek(file, file->unbufferedPosition)) return -1;
    size_t got = fread(destination, 1, (size_t)count, file->stream);
    if (got < (size_t)count && ferror(file->stream)) {
      clearerr(file->stream);
      return -1;
    }
    file->unbufferedPosition += (int64_t)got;
    file->info.lDiskOffset = file->unbufferedPosition;
    return (int32_t)got;
  }
  int32_t done = 0;
  while (done < count) {
    if (info->pchNext == info->pchEndRead) {
      if (!fillBuffer(file, currentPosition(file))) return done ? done : -1;
      if (info->pchNext == info->pchEndRead) break;  // end of file
    }
    int32_t piece = (int32_t)(info->pchEndRead - info->pchNext);
    if (piece > count - done) piece = count - done;
    memcpy(destination + done, info->pchNext, (size_t)piece);
    info->pchNext += piece;
    done += piece;
  }
  return done;
}

static int64_t fileLength(RiffFile* file) {
  if (fseeko(file->stream, 0, SEEK_END) != 0) return -1;
  off_t end = ftello(file->stream);
  file->info.lDiskOffset = (int64_t)end;
  return (int64_t)end;
}

static int nextBytesInBuffer(const RiffFile* file, const char* next) {
  return next >= file->info.pchBuffer && next <= file->info.pchEndRead;
}

static uint32_t littleEndian32(const unsigned char* bytes) {
  return (uint32_t)bytes[0] | ((uint32_t)bytes[1] << 8) | ((uint32_t)bytes[2] << 16) |
         ((uint32_t)bytes[3] << 24);
}

HMMIO mmioOpen(const char* fileName, MMIOINFO* info, uint32_t flags) {
  uint32_t error = MMSYSERR_NOERROR;
  RiffFile* file = 0;
  // Only plain reading: the access bits (write, read-write) and creation are refused.
  if (!fileName || (flags & 0x0000FFFF) != MMIO_READ) {
    error = MMIOERR_CANNOTOPEN;
  } else if (!(file = (RiffFile*)calloc(1, sizeof(RiffFile)))) {
    error = MMIOERR_OUTOFMEMORY;
  } else if (!(file->stream = fopen(fileName, "rb"))) {
    error = MMIOERR_FILENOTFOUND;
  } else if (flags & MMIO_ALLOCBUF) {
    int32_t size = info && info->cchBuffer > 0 ? info->cchBuffer : (int32_t)MMIO_DEFAULTBUFFER;
    file->info.pchBuffer = (char*)malloc((size_t)size);
    if (!file->info.pchBuffer) {
      error = MMIOERR_OUTOFMEMORY;
    } else {
      file->info.cchBuffer = size;
      file->info.pchNext = file->info.pchEndRead = file->info.pchBuffer;
      file->info.pchEndWrite = file->info.pchBuffer + size;
    }
  }
  if (error != MMSYSERR_NOERROR) {
    if (file) {
      if (file->stream) fclose(file->stream);
      free(file);
    }
    if (info) info->wErrorRet = error;
    return 0;
  }
  file->info.dwFlags = flags;
  if (info) info->wErrorRet = MMSYSERR_NOERROR;
  return file;
}

MMRESULT mmioClose(HMMIO file, uint32_t) {
  if (!file) return MMSYSERR_INVALHANDLE;
  int closed = fclose(file->stream) == 0;
  free(file->info.pchBuffer);
  free(file);
  return closed ? MMSYSERR_NOERROR : MMIOERR_CANNOTCLOSE;
}

int32_t mmioRead(HMMIO file, char* destination, int32_t count) {
  if (!file || (!destination && count > 0) || count < 0) return -1;
  return readBytes(file, destination, count);
}

int32_t mmioSeek(HMMIO file, int32_t offset, int origin) {
  if (!file) return -1;
  int64_t base;
  if (origin == SEEK_SET_MMIO) base = 0;
  else if (origin == SEEK_CUR_MMIO) base = currentPosition(file);
  else if (origin == SEEK_END_MMIO) {
    int64_t kept = currentPosition(file);
    base = fileLength(file);
    if (base < 0 || !streamSeek(file, kept)) return -1;
  } else return -1;
  int64_t target = base + offset;
  if (target < 0 || target > INT32_MAX) return -1;
  if (!moveTo(file, target)) return -1;
  return (int32_t)target;
}

// The chunk search's steps on this file.
static int positionStep(void* file, int64_t* position) {
  *position = currentPosition((RiffFile*)file);
  return 1;
}

static int moveStep(void* file, int64_t position) { return moveTo((RiffFile*)file, position); }

// Reads one chunk header at the current position. 0 when the file ends inside it.
static int readHeaderStep(void* opened, RiffChunkHeader* chunk) {
  RiffFile* file = (RiffFile*)opened;
  unsigned char header[8];
  int64_t start = currentPosition(file);
  if (readBytes(file, (char*)header, 8) != 8) return 0;
  chunk->ckid = littleEndian32(header);
  chunk->cksize = littleEndian32(header + 4);
  chunk->fccType = 0;
  int64_t dataOffset = start + 8;
  if (dataOffset > UINT32_MAX) return 0;  // offsets are 32-bit in the chunk record
  chunk->dataOffset = (uint32_t)dataOffset;
  if (chunk->ckid == RIFF_ID || chunk->ckid == LIST_ID) {
    unsigned char type[4];
    if (readBytes(file, (char*)type, 4) != 4) return 0;
    chunk->fccType = littleEndian32(type);
  }
  return 1;
}

MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, uint32_t flags) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!chunk) return MMSYSERR_INVALPARAM;
  RiffChunkSteps steps = {file, positionStep, readHeaderStep, moveStep};
  RiffChunkHeader outer = {0, 0, 0, 0}, found;
  if (parent) {
    outer.cksize = parent->cksize;
    outer.dataOffset = parent->dwDataOffset;
  }
  if (!findRiffChunk(&steps, flags, chunk->ckid, chunk->fccType, parent ? &outer : 0, &found))
    return MMIOERR_CHUNKNOTFOUND;
  chunk->ckid = found.ckid;
  chunk->cksize = found.cksize;
  chunk->fccType = found.fccType;
  chunk->dwDataOffset = found.dataOffset;
  chunk->dwFlags = 0;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, uint32_t) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!chunk) return MMSYSERR_INVALPARAM;
  int64_t end = (int64_t)chunk->dwDataOffset + chunk->cksize + (chunk->cksize & 1);
  if (!moveTo(file, end)) return MMIOERR_CANNOTSEEK;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, uint32_t) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info) return MMSYSERR_INVALPARAM;
  *info = file->info;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, uint32_t flags) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!file->info.pchBuffer) return MMIOERR_UNBUFFERED;
  if (flags != MMIO_READ) return MMSYSERR_INVALFLAG;
  if (info) {
    if (!nextBytesInBuffer(file, info->pchNext)) return MMSYSERR_INVALPARAM;
    file->info.pchNext = info->pchNext;
  }
  if (!fillBuffer(file, currentPosition(file))) return MMIOERR_CANNOTREAD;
  if (info) *info = file->info;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, uint32_t) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info) return MMSYSERR_INVALPARAM;
  if (file->info.pchBuffer && !nextBytesInBuffer(file, info->pchNext)) return MMSYSERR_INVALPARAM;
  file->info.pchNext = info->pchNext;
  return MMSYSERR_NOERROR;
}
