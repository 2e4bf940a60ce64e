// RIFF file layer on the Windows multimedia file services, the system's side: mmioOpenA with
// MMIO_ALLOCBUF, mmioRead, mmioSeek, mmioDescend, mmioAscend, mmioGetInfo, mmioAdvance,
// mmioSetInfo and mmioClose. Only <windows.h> and <mmsystem.h> are included here; the game's
// records reach this file through riff_file_winmm.h.
#include <windows.h>
#include <mmsystem.h>
#include <stdint.h>
#include <stdlib.h>

#include "platform/shared/riff_chunk_search.h"
#include "platform/win32/riff_file_winmm.h"

// The game header numbers flags, origins and results as the services do.
static_assert(MMIO_READ == 0 && MMIO_ALLOCBUF == 0x00010000, "open flags");
static_assert(MMIO_FINDCHUNK == 0x10 && MMIO_FINDRIFF == 0x20 && MMIO_FINDLIST == 0x40, "descend flags");
static_assert(SEEK_SET == 0 && SEEK_CUR == 1 && SEEK_END == 2, "seek origins");
static_assert(MMIOERR_FILENOTFOUND == 257 && MMIOERR_CANNOTOPEN == 259 &&
                  MMIOERR_CANNOTREAD == 261 && MMIOERR_CANNOTSEEK == 263 &&
                  MMIOERR_CHUNKNOTFOUND == 265 && MMIOERR_UNBUFFERED == 266,
              "mmio results");
static_assert(MMSYSERR_INVALHANDLE == 5 && MMSYSERR_INVALFLAG == 10 && MMSYSERR_INVALPARAM == 11,
              "system results");
static_assert(sizeof(RiffChunkFields) == sizeof(MMCKINFO), "chunk record");

struct RiffFile {
  HMMIO handle;
  MMIOINFO state;  // the buffer state the reader works on, between mmioGetInfo and mmioSetInfo
  int stateTaken;  // state holds what mmioGetInfo or mmioAdvance last handed out
  int buffered;
};

static const FOURCC RIFF_ID = mmioFOURCC('R', 'I', 'F', 'F');
static const FOURCC LIST_ID = mmioFOURCC('L', 'I', 'S', 'T');

RiffFile* winmmRiffOpen(const char* fileName, int32_t bufferSize, uint32_t flags, uint32_t* error) {
  // Only plain reading: the access bits, creation, parsing and the rest are refused.
  if (!fileName || (flags & ~(uint32_t)MMIO_ALLOCBUF) != MMIO_READ) {
    *error = MMIOERR_CANNOTOPEN;
    return 0;
  }
  RiffFile* file = (RiffFile*)calloc(1, sizeof(RiffFile));
  if (!file) {
    *error = MMIOERR_OUTOFMEMORY;
    return 0;
  }
  MMIOINFO info;
  ZeroMemory(&info, sizeof info);
  info.cchBuffer = (flags & MMIO_ALLOCBUF) ? bufferSize : 0;  // 0: the services' default size
  // mmioOpenA writes into the name only when asked to parse it (MMIO_PARSE), never here.
  file->handle = mmioOpenA(const_cast<LPSTR>(fileName), &info, flags);
  if (!file->handle) {
    *error = info.wErrorRet ? info.wErrorRet : (uint32_t)MMIOERR_CANNOTOPEN;
    free(file);
    return 0;
  }
  file->buffered = (flags & MMIO_ALLOCBUF) != 0;
  *error = MMSYSERR_NOERROR;
  return file;
}

uint32_t winmmRiffClose(RiffFile* file) {
  if (!file) return MMSYSERR_INVALHANDLE;
  MMRESULT result = mmioClose(file->handle, 0);
  free(file);
  return result;
}

int32_t winmmRiffRead(RiffFile* file, char* destination, int32_t count) {
  if (!file || count < 0 || (!destination && count > 0)) return -1;
  if (count == 0) return 0;
  file->stateTaken = 0;
  return mmioRead(file->handle, destination, count);
}

// Moves to an absolute position. The services take positions as 32-bit signed numbers.
static int moveTo(RiffFile* file, int64_t position) {
  if (position < 0 || position > INT32_MAX) return 0;
  return mmioSeek(file->handle, (LONG)position, SEEK_SET) == (LONG)position;
}

int32_t winmmRiffSeek(RiffFile* file, int32_t offset, int origin) {
  if (!file) return -1;
  file->stateTaken = 0;
  LONG here = mmioSeek(file->handle, 0, SEEK_CUR);
  if (here < 0) return -1;
  int64_t base;
  if (origin == SEEK_SET) {
    base = 0;
  } else if (origin == SEEK_CUR) {
    base = here;
  } else if (origin == SEEK_END) {
    base = mmioSeek(file->handle, 0, SEEK_END);
    if (base < 0 || !moveTo(file, here)) return -1;
  } else {
    return -1;
  }
  // A target before the start or beyond 2 GB is refused here, where the position is known,
  // and the file stays where it was.
  int64_t target = base + offset;
  if (target < 0 || target > INT32_MAX) return -1;
  if (!moveTo(file, target)) return -1;
  return (int32_t)target;
}

// The chunk search's steps on this file. The search walks one chunk at a time with
// mmioDescend and bounds every step in 64 bits itself: the services add a chunk's size to
// its offset in 32 bits, so a damaged size of nearly 4 GB would send their own search
// backwards, and they do not stop at the parent.
static int positionStep(void* file, int64_t* position) {
  LONG here = mmioSeek(((RiffFile*)file)->handle, 0, SEEK_CUR);
  *position = here;
  return here >= 0;
}

static int moveStep(void* file, int64_t position) { return moveTo((RiffFile*)file, position); }

static int readHeaderStep(void* file, RiffChunkHeader* header) {
  MMCKINFO found;
  ZeroMemory(&found, sizeof found);
  if (mmioDescend(((RiffFile*)file)->handle, &found, 0, 0) != MMSYSERR_NOERROR) return 0;
  header->ckid = found.ckid;
  header->cksize = found.cksize;
  header->fccType = (found.ckid == RIFF_ID || found.ckid == LIST_ID) ? found.fccType : 0;
  header->dataOffset = found.dwDataOffset;
  return 1;
}

uint32_t winmmRiffDescend(RiffFile* file, RiffChunkFields* chunk, const RiffChunkFields* parent,
                          uint32_t flags) {
  if (!file) return MMSYSERR_INVALHANDLE;
  file->stateTaken = 0;
  RiffChunkSteps steps = {file, positionStep, readHeaderStep, moveStep};
  RiffChunkHeader outer = {0, 0, 0, 0}, found;
  if (parent) {
    outer.cksize = parent->cksize;
    outer.dataOffset = parent->dataOffset;
  }
  if (!findRiffChunk(&steps, flags, chunk->ckid, chunk->fccType, parent ? &outer : 0, &found))
    return MMIOERR_CHUNKNOTFOUND;
  chunk->ckid = found.ckid;
  chunk->cksize = found.cksize;
  chunk->fccType = found.fccType;
  chunk->dataOffset = found.dataOffset;
  chunk->flags = 0;
  return MMSYSERR_NOERROR;
}

uint32_t winmmRiffAscend(RiffFile* file, const RiffChunkFields* chunk) {
  if (!file) return MMSYSERR_INVALHANDLE;
  file->stateTaken = 0;
  int64_t end = (int64_t)chunk->dataOffset + chunk->cksize + (chunk->cksize & 1);
  if (end > INT32_MAX) return MMIOERR_CANNOTSEEK;
  MMCKINFO leaving;
  ZeroMemory(&leaving, sizeof leaving);
  leaving.ckid = chunk->ckid;
  leaving.cksize = chunk->cksize;
  leaving.fccType = chunk->fccType;
  leaving.dwDataOffset = chunk->dataOffset;  // no MMIO_DIRTY: nothing is written back
  MMRESULT result = mmioAscend(file->handle, &leaving, 0);
  if (result != MMSYSERR_NOERROR) return result;
  return mmioSeek(file->handle, 0, SEEK_CUR) == (LONG)end ? (uint32_t)MMSYSERR_NOERROR
                                                          : (uint32_t)MMIOERR_CANNOTSEEK;
}

static void handOut(const MMIOINFO& info, RiffBufferFields* state) {
  state->flags = info.dwFlags;
  state->bufferSize = info.cchBuffer;
  state->buffer = info.pchBuffer;
  state->next = info.pchNext;
  state->endRead = info.pchEndRead;
  state->endWrite = info.pchEndWrite;
  state->bufferOffset = info.lBufOffset;
  state->diskOffset = info.lDiskOffset;
}

static uint32_t takeState(RiffFile* file) {
  if (file->stateTaken) return MMSYSERR_NOERROR;
  ZeroMemory(&file->state, sizeof file->state);
  MMRESULT result = mmioGetInfo(file->handle, &file->state, 0);
  if (result == MMSYSERR_NOERROR) file->stateTaken = 1;
  return result;
}

// The reader may move its pointer anywhere over the bytes the buffer holds, and no further.
static int insideBuffer(const RiffFile* file, const char* next) {
  return next >= file->state.pchBuffer && next <= file->state.pchEndRead;
}

uint32_t winmmRiffGetInfo(RiffFile* file, RiffBufferFields* state) {
  if (!file) return MMSYSERR_INVALHANDLE;
  file->stateTaken = 0;
  uint32_t result = takeState(file);
  if (result == MMSYSERR_NOERROR) handOut(file->state, state);
  return result;
}

uint32_t winmmRiffAdvance(RiffFile* file, RiffBufferFields* state, uint32_t flags) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!file->buffered) return MMIOERR_UNBUFFERED;
  if (flags != MMIO_READ) return MMSYSERR_INVALFLAG;
  uint32_t result = takeState(file);
  if (result != MMSYSERR_NOERROR) return result;
  if (state) {
    if (!insideBuffer(file, state->next)) return MMSYSERR_INVALPARAM;
    file->state.pchNext = state->next;
  }
  result = mmioAdvance(file->handle, &file->state, MMIO_READ);
  if (result != MMSYSERR_NOERROR) return result;
  if (state) handOut(file->state, state);
  return MMSYSERR_NOERROR;
}

uint32_t winmmRiffSetInfo(RiffFile* file, const RiffBufferFields* state) {
  if (!file) return MMSYSERR_INVALHANDLE;
  uint32_t result = takeState(file);
  if (result != MMSYSERR_NOERROR) return result;
  if (file->buffered && !insideBuffer(file, state->next)) return MMSYSERR_INVALPARAM;
  file->state.pchNext = state->next;
  result = mmioSetInfo(file->handle, &file->state, 0);
  file->stateTaken = 0;
  return result;
}
