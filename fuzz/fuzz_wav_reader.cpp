// The WAV reader over the stdio RIFF layer, called the way the sound slots call it: open,
// find the data, count the bytes really there, read them. A failed open leaves nothing
// behind; a read delivers exactly the file's own bytes at the data chunk's offset.
#include <stdlib.h>
#include <string.h>

#include "audio/wav_reader.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInputFile("fuzz.wav", data, size);
  HMMIO file = 0;
  WAVEFORMATEX* format = 0;
  MMCKINFO riff;
  memset(&riff, 0, sizeof riff);
  if (wavOpen("fuzz.wav", &file, &format, &riff) != 0) {
    if (file || format) fuzzFail("a failed wavOpen left the file or the format behind");
    return 0;
  }
  if (!file || !format) fuzzFail("wavOpen succeeded without a file and a format");
  if (format->wFormatTag == WAVE_FORMAT_PCM && format->cbSize != 0)
    fuzzFail("a PCM format record with an extension");
  // Touch the whole record: 18 bytes plus the extension it announces.
  volatile unsigned sum = 0;
  const unsigned char* record = (const unsigned char*)format;
  for (size_t i = 0; i < sizeof(WAVEFORMATEX) + format->cbSize; i++) sum = sum + record[i];

  MMCKINFO chunk;
  memset(&chunk, 0, sizeof chunk);
  if (wavFindData(file, &chunk, &riff) == 0) {
    uint32_t present = wavBytesPresent(file, &chunk);
    if (present > chunk.cksize) fuzzFail("more bytes present than the chunk announces");
    if ((uint64_t)chunk.dwDataOffset + present > size) fuzzFail("bytes present beyond the file");
    uint8_t* samples = (uint8_t*)malloc(present ? present : 1);
    uint32_t delivered = 0;
    MMCKINFO left = chunk;
    int error = wavRead(file, present, samples, &left, &delivered);
    if (error == 0) {
      if (delivered != present) fuzzFail("wavRead delivered another count than asked");
      if (left.cksize != chunk.cksize - present) fuzzFail("wavRead miscounted what is left");
      if (present && memcmp(samples, data + chunk.dwDataOffset, present) != 0)
        fuzzFail("wavRead delivered other bytes than the file's");
    } else if (delivered != 0) {
      fuzzFail("a failed wavRead reported bytes delivered");
    }
    // Asking past what is there must stop short, not run on.
    if (left.cksize > 0) {
      uint8_t extra[64];
      uint32_t more = 0;
      uint32_t want = left.cksize < sizeof extra ? left.cksize : (uint32_t)sizeof extra;
      if (wavRead(file, want, extra, &left, &more) == 0 && more != want)
        fuzzFail("a second wavRead delivered another count than asked");
    }
    free(samples);
  }
  wavClose(&file, &format);
  if (file || format) fuzzFail("wavClose left the file or the format behind");
  return 0;
}
