// RIFF file layer on the Windows multimedia file services, the game's side: the functions of
// platform/riff_file.h, translating its records to and from the plain forms that
// riff_file_winmm.cpp hands to the real mmio calls. Only the game header is included here.
#include "platform/riff_file.h"

#include "platform/win32/riff_file_winmm.h"

static void toFields(const MMCKINFO& chunk, RiffChunkFields* fields) {
  fields->ckid = chunk.ckid;
  fields->cksize = chunk.cksize;
  fields->fccType = chunk.fccType;
  fields->dataOffset = chunk.dwDataOffset;
  fields->flags = chunk.dwFlags;
}

static void fromFields(const RiffChunkFields& fields, MMCKINFO* chunk) {
  chunk->ckid = fields.ckid;
  chunk->cksize = fields.cksize;
  chunk->fccType = fields.fccType;
  chunk->dwDataOffset = fields.dataOffset;
  chunk->dwFlags = fields.flags;
}

static void toFields(const MMIOINFO& info, RiffBufferFields* fields) {
  fields->flags = info.dwFlags;
  fields->bufferSize = info.cchBuffer;
  fields->buffer = info.pchBuffer;
  fields->next = info.pchNext;
  fields->endRead = info.pchEndRead;
  fields->endWrite = info.pchEndWrite;
  fields->bufferOffset = info.lBufOffset;
  fields->diskOffset = info.lDiskOffset;
}

static void fromFields(const RiffBufferFields& fields, MMIOINFO* info) {
  info->dwFlags = fields.flags;
  info->wErrorRet = MMSYSERR_NOERROR;
  info->cchBuffer = fields.bufferSize;
  info->pchBuffer = fields.buffer;
  info->pchNext = fields.next;
  info->pchEndRead = fields.endRead;
  info->pchEndWrite = fields.endWrite;
  info->lBufOffset = fields.bufferOffset;
  info->lDiskOffset = fields.diskOffset;
}

HMMIO mmioOpen(const char* fileName, MMIOINFO* info, uint32_t flags) {
  uint32_t error = MMSYSERR_NOERROR;
  int32_t bufferSize = info && info->cchBuffer > 0 ? info->cchBuffer : 0;
  RiffFile* file = winmmRiffOpen(fileName, bufferSize, flags, &error);
  if (info) info->wErrorRet = file ? (uint32_t)MMSYSERR_NOERROR : error;
  return file;
}

MMRESULT mmioClose(HMMIO file, uint32_t) { return winmmRiffClose(file); }

int32_t mmioRead(HMMIO file, char* destination, int32_t count) {
  return winmmRiffRead(file, destination, count);
}

int32_t mmioSeek(HMMIO file, int32_t offset, int origin) {
  return winmmRiffSeek(file, offset, origin);
}

MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, uint32_t flags) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!chunk) return MMSYSERR_INVALPARAM;
  RiffChunkFields wanted, outer;
  toFields(*chunk, &wanted);
  if (parent) toFields(*parent, &outer);
  MMRESULT result = winmmRiffDescend(file, &wanted, parent ? &outer : 0, flags);
  if (result == MMSYSERR_NOERROR) fromFields(wanted, chunk);
  return result;
}

MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, uint32_t) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!chunk) return MMSYSERR_INVALPARAM;
  RiffChunkFields fields;
  toFields(*chunk, &fields);
  return winmmRiffAscend(file, &fields);
}

MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, uint32_t) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info) return MMSYSERR_INVALPARAM;
  RiffBufferFields state;
  MMRESULT result = winmmRiffGetInfo(file, &state);
  if (result == MMSYSERR_NOERROR) fromFields(state, info);
  return result;
}

MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, uint32_t flags) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info) return winmmRiffAdvance(file, 0, flags);
  RiffBufferFields state;
  toFields(*info, &state);
  MMRESULT result = winmmRiffAdvance(file, &state, flags);
  if (result == MMSYSERR_NOERROR) fromFields(state, info);
  return result;
}

MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, uint32_t) {
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info) return MMSYSERR_INVALPARAM;
  RiffBufferFields state;
  toFields(*info, &state);
  return winmmRiffSetInfo(file, &state);
}
