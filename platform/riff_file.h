// RIFF file layer: buffered reading of chunked RIFF files, shaped like Windows' multimedia
// file services (the Win32 backend uses them; others read the file themselves).
// Windows' headers define the same records: the Win32 backend keeps them apart, in one file
// that sees only this header and one that sees only Windows' own.
#pragma once
#include <stdint.h>

typedef uint32_t FOURCC;
typedef uint32_t MMRESULT;

// Four characters packed little-endian, as chunk identifiers are stored in the file.
constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
  return (FOURCC)(uint8_t)a | ((FOURCC)(uint8_t)b << 8) | ((FOURCC)(uint8_t)c << 16) |
         ((FOURCC)(uint8_t)d << 24);
}

// Result codes, numbered as the multimedia services number them.
enum {
  MMSYSERR_NOERROR = 0,
  MMSYSERR_ERROR = 1,
  MMSYSERR_INVALHANDLE = 5,
  MMSYSERR_INVALFLAG = 10,
  MMSYSERR_INVALPARAM = 11,
  MMIOERR_FILENOTFOUND = 257,
  MMIOERR_OUTOFMEMORY = 258,
  MMIOERR_CANNOTOPEN = 259,
  MMIOERR_CANNOTCLOSE = 260,
  MMIOERR_CANNOTREAD = 261,
  MMIOERR_CANNOTWRITE = 262,
  MMIOERR_CANNOTSEEK = 263,
  MMIOERR_CANNOTEXPAND = 264,
  MMIOERR_CHUNKNOTFOUND = 265,
  MMIOERR_UNBUFFERED = 266,
};

// Flags.
enum : uint32_t {
  MMIO_READ = 0x00000000,          // open for reading; also "refill for reading" in mmioAdvance
  MMIO_ALLOCBUF = 0x00010000,      // open buffered, the buffer allocated here
  MMIO_FINDCHUNK = 0x0010,         // descend: search for a chunk with the given ckid
  MMIO_FINDRIFF = 0x0020,          // descend: search for a "RIFF" chunk with the given fccType
  MMIO_FINDLIST = 0x0040,          // descend: search for a "LIST" chunk with the given fccType
  MMIO_DEFAULTBUFFER = 8192,       // buffer size when the caller names none
};

enum { SEEK_SET_MMIO = 0, SEEK_CUR_MMIO = 1, SEEK_END_MMIO = 2 };  // same values as stdio's

// One chunk: identifier, data size, form type (RIFF and LIST only), file offset of the data.
struct MMCKINFO {
  FOURCC ckid;
  uint32_t cksize;
  FOURCC fccType;
  uint32_t dwDataOffset;
  uint32_t dwFlags;
};

// Buffer state of an open file. Reading through it directly: bytes from pchNext up to
// pchEndRead are the file's next bytes; lBufOffset is the file offset of pchBuffer.
struct MMIOINFO {
  uint32_t dwFlags;
  uint32_t wErrorRet;      // set by mmioOpen when it fails
  int32_t cchBuffer;       // buffer size asked for / allocated (0: unbuffered)
  char* pchBuffer;
  char* pchNext;
  char* pchEndRead;
  char* pchEndWrite;
  int64_t lBufOffset;
  int64_t lDiskOffset;
};

typedef struct RiffFile* HMMIO;

// The WAV reader opens a sound file for reading (only reading is supported); with
// MMIO_ALLOCBUF it is buffered (info->cchBuffer bytes when info names a size, else
// MMIO_DEFAULTBUFFER). Returns 0 on failure, with info->wErrorRet set when info is given.
HMMIO mmioOpen(const char* fileName, MMIOINFO* info, uint32_t flags);

// The WAV reader closes a file it opened (frees the buffer). Returns MMSYSERR_NOERROR.
MMRESULT mmioClose(HMMIO file, uint32_t flags);

// Reads up to `count` bytes at the current position. Returns the bytes read, 0 at the end
// of the file, -1 on an error.
int32_t mmioRead(HMMIO file, char* destination, int32_t count);

// Moves the current position (origin SEEK_SET_MMIO, SEEK_CUR_MMIO or SEEK_END_MMIO); may go
// past the end. Returns the new position, or -1 when it cannot be represented or reached.
int32_t mmioSeek(HMMIO file, int32_t offset, int origin);

// The WAV reader enters chunks with this. Reads the chunk header at the current position
// into `chunk` and leaves the file on the chunk's data (past the form type for RIFF and
// LIST chunks). With MMIO_FINDCHUNK (or FINDRIFF / FINDLIST) it skips chunks until one
// matches chunk->ckid (or chunk->fccType), staying inside `parent` when one is given.
// Returns MMIOERR_CHUNKNOTFOUND when the file or the parent ends first.
MMRESULT mmioDescend(HMMIO file, MMCKINFO* chunk, const MMCKINFO* parent, uint32_t flags);

// The WAV reader leaves a chunk it descended into: the file moves past the chunk's data
// and its pad byte when the size is odd. Returns MMIOERR_CANNOTSEEK when that fails.
MMRESULT mmioAscend(HMMIO file, MMCKINFO* chunk, uint32_t flags);

// The WAV reader's sample copy takes the buffer state before reading directly from the
// buffer. Returns MMSYSERR_INVALHANDLE for no file.
MMRESULT mmioGetInfo(HMMIO file, MMIOINFO* info, uint32_t flags);

// The sample copy refills a used-up buffer (MMIO_READ) from the position info->pchNext
// stands for; info gets the new state. At the end of the file it succeeds with pchNext
// equal to pchEndRead. MMIOERR_UNBUFFERED for an unbuffered file, MMIOERR_CANNOTREAD on
// an error, MMSYSERR_INVALPARAM when info->pchNext lies outside the buffer's bytes.
MMRESULT mmioAdvance(HMMIO file, MMIOINFO* info, uint32_t flags);

// The sample copy hands back the buffer state it moved through (pchNext). Returns
// MMSYSERR_INVALPARAM when pchNext lies outside the buffer's bytes.
MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, uint32_t flags);
