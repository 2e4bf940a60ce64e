// The WAV reader and the RIFF file layer under it, on files written byte by byte.
#include <gtest/gtest.h>

#include "audio/wav_reader.h"
#include "audio_test_support.h"

namespace {

struct OpenWav {
  HMMIO file = 0;
  WAVEFORMATEX* format = 0;
  MMCKINFO riffChunk{};
  MMCKINFO dataChunk{};
  int opened = -1;
  explicit OpenWav(const char* name) { opened = wavOpen(name, &file, &format, &riffChunk); }
  ~OpenWav() { wavClose(&file, &format); }
};

Bytes pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; i++) b[i] = (uint8_t)(i * 7 + i / 251);
  return b;
}

class WavReader : public ::testing::Test {
 protected:
  void SetUp() override { enterTempDir(); }
};

TEST_F(WavReader, PcmWithSixteenByteFormatReadsFormatAndEverySampleByte) {
  Bytes samples = pattern(20000);  // more than two buffer fills
  writeFile("a.wav", riff("WAVE", {chunk("fmt ", formatFields(1, 2, 44100, 16)), chunk("data", samples)}));
  OpenWav w("a.wav");
  ASSERT_EQ(w.opened, 0);
  ASSERT_NE(w.format, nullptr);
  EXPECT_EQ(w.format->wFormatTag, 1);
  EXPECT_EQ(w.format->nChannels, 2);
  EXPECT_EQ(w.format->nSamplesPerSec, 44100u);
  EXPECT_EQ(w.format->nAvgBytesPerSec, 44100u * 4);
  EXPECT_EQ(w.format->nBlockAlign, 4);
  EXPECT_EQ(w.format->wBitsPerSample, 16);
  EXPECT_EQ(w.format->cbSize, 0);
  ASSERT_EQ(wavFindData(w.file, &w.dataChunk, &w.riffChunk), 0);
  EXPECT_EQ(w.dataChunk.cksize, samples.size());

  Bytes got(samples.size() + 16, 0xAA);
  uint32_t delivered = 1;
  ASSERT_EQ(wavRead(w.file, (uint32_t)samples.size(), got.data(), &w.dataChunk, &delivered), 0);
  EXPECT_EQ(delivered, samples.size());
  EXPECT_EQ(w.dataChunk.cksize, 0u);
  EXPECT_TRUE(std::equal(samples.begin(), samples.end(), got.begin()));
  EXPECT_EQ(got[samples.size()], 0xAA) << "wrote past the bytes asked for";
}

TEST_F(WavReader, EighteenByteFormatIsAcceptedAndItsTrailingBytesSkipped) {
  Bytes fmt = formatFields(1, 1, 22050, 16);
  put16(fmt, 0);
  Bytes samples = pattern(64);
  writeFile("b.wav", riff("WAVE", {chunk("fmt ", fmt), chunk("data", samples)}));
  OpenWav w("b.wav");
  ASSERT_EQ(w.opened, 0);
  EXPECT_EQ(w.format->cbSize, 0);
  ASSERT_EQ(wavFindData(w.file, &w.dataChunk, &w.riffChunk), 0);
  Bytes got(64);
  uint32_t delivered = 0;
  ASSERT_EQ(wavRead(w.file, 64, got.data(), &w.dataChunk, &delivered), 0);
  EXPECT_EQ(got, samples);
}

TEST_F(WavReader, NonPcmFormatCarriesItsExtensionBytes) {
  Bytes fmt = formatFields(2, 1, 22050, 4);
  put16(fmt, 2);
  fmt.push_back(0x5A);
  fmt.push_back(0xC3);
  writeFile("c.wav", riff("WAVE", {chunk("fmt ", fmt), chunk("data", pattern(10))}));
  OpenWav w("c.wav");
  ASSERT_EQ(w.opened, 0);
  EXPECT_EQ(w.format->wFormatTag, 2);
  EXPECT_EQ(w.format->cbSize, 2);
  const uint8_t* extension = (const uint8_t*)w.format + 18;
  EXPECT_EQ(extension[0], 0x5A);
  EXPECT_EQ(extension[1], 0xC3);
}

TEST_F(WavReader, FormatsThatCannotBeReadAreRefusedAndLeaveNothingOpen) {
  struct Case {
    const char* what;
    Bytes file;
    int expected;
  };
  Bytes shortFmt = formatFields(1, 1, 22050, 16);
  shortFmt.resize(14);
  Bytes hugeExtension = formatFields(2, 1, 22050, 4);
  put16(hugeExtension, 0xFFFF);  // announces 65535 extension bytes, the chunk holds 4
  put16(hugeExtension, 0);
  put16(hugeExtension, 0);
  Bytes noCount = formatFields(2, 1, 22050, 4);  // non-PCM, but no room for the count
  std::vector<Case> cases = {
      {"14-byte fmt", riff("WAVE", {chunk("fmt ", shortFmt), chunk("data", pattern(8))}), WAV_ERR_FORMAT},
      {"form AVI", riff("AVI ", {chunk("fmt ", formatFields(1, 1, 22050, 16)), chunk("data", pattern(8))}), WAV_ERR_FORMAT},
      {"LIST first", chunk("LIST", Bytes{'W', 'A', 'V', 'E', 0, 0, 0, 0}), WAV_ERR_FORMAT},
      {"extension past its chunk", riff("WAVE", {chunk("fmt ", hugeExtension), chunk("data", pattern(8))}), WAV_ERR_FORMAT},
      {"count past its chunk", riff("WAVE", {chunk("fmt ", noCount), chunk("data", pattern(8))}), WAV_ERR_READ},
      {"fmt cut by the end of the file", riff("WAVE", {chunk("fmt ", Bytes(8, 1), 16)}), WAV_ERR_READ},
      {"no fmt", riff("WAVE", {chunk("data", pattern(8))}), MMIOERR_CHUNKNOTFOUND},
      {"empty file", Bytes(), MMIOERR_CHUNKNOTFOUND},
      {"only RIFF", Bytes{'R', 'I', 'F', 'F'}, MMIOERR_CHUNKNOTFOUND},
  };
  for (const Case& c : cases) {
    writeFile("bad.wav", c.file);
    OpenWav w("bad.wav");
    EXPECT_EQ(w.opened, c.expected) << c.what;
    EXPECT_EQ(w.file, nullptr) << c.what;
    EXPECT_EQ(w.format, nullptr) << c.what;
  }
  OpenWav missing("no-such.wav");
  EXPECT_EQ(missing.opened, WAV_ERR_OPEN);
  EXPECT_EQ(missing.file, nullptr);
}

TEST_F(WavReader, DataIsFoundBeforeFormatAndPastOddSizedChunks) {
  Bytes samples = pattern(33);  // odd: padded in the file
  writeFile("d.wav", riff("WAVE", {chunk("junk", Bytes{1, 2, 3}), chunk("data", samples),
                                   chunk("LIST", Bytes{'I', 'N', 'F', 'O', 9}),
                                   chunk("fmt ", formatFields(1, 1, 8000, 8))}));
  OpenWav w("d.wav");
  ASSERT_EQ(w.opened, 0);
  EXPECT_EQ(w.format->nSamplesPerSec, 8000u);
  ASSERT_EQ(wavFindData(w.file, &w.dataChunk, &w.riffChunk), 0);
  EXPECT_EQ(w.dataChunk.cksize, 33u);
  Bytes got(33);
  uint32_t delivered = 0;
  ASSERT_EQ(wavRead(w.file, 33, got.data(), &w.dataChunk, &delivered), 0);
  EXPECT_EQ(got, samples);
}

TEST_F(WavReader, ChunksOutsideTheRiffChunkOrPastAHugeSizeAreNotFound) {
  // A data chunk placed after the end the RIFF chunk announces is not part of it.
  Bytes file = riff("WAVE", {chunk("fmt ", formatFields(1, 1, 22050, 16))});
  Bytes after = chunk("data", pattern(8));
  file.insert(file.end(), after.begin(), after.end());
  writeFile("e.wav", file);
  OpenWav w("e.wav");
  ASSERT_EQ(w.opened, 0);
  EXPECT_EQ(wavFindData(w.file, &w.dataChunk, &w.riffChunk), MMIOERR_CHUNKNOTFOUND);

  // A chunk announcing nearly 4 GB hides whatever follows it; the search ends at the file's end.
  Bytes hiding = riff("WAVE", {chunk("fmt ", formatFields(1, 1, 22050, 16)),
                               chunk("junk", Bytes(4, 0), 0xFFFFFFF0u), chunk("data", pattern(8))});
  writeFile("f.wav", hiding);
  OpenWav h("f.wav");
  ASSERT_EQ(h.opened, 0);
  EXPECT_EQ(wavFindData(h.file, &h.dataChunk, &h.riffChunk), MMIOERR_CHUNKNOTFOUND);
}

TEST_F(WavReader, AskingForMoreThanTheChunkDeliversTheChunk) {
  Bytes samples = pattern(100);
  writeFile("g.wav", riff("WAVE", {chunk("fmt ", formatFields(1, 1, 22050, 16)), chunk("data", samples),
                                   chunk("junk", pattern(50))}));
  OpenWav w("g.wav");
  ASSERT_EQ(w.opened, 0);
  ASSERT_EQ(wavFindData(w.file, &w.dataChunk, &w.riffChunk), 0);
  Bytes got(1000, 0xEE);
  uint32_t delivered = 0;
  ASSERT_EQ(wavRead(w.file, 1000, got.data(), &w.dataChunk, &delivered), 0);
  EXPECT_EQ(delivered, 100u);
  EXPECT_EQ(w.dataChunk.cksize, 0u);
  EXPECT_TRUE(std::equal(samples.begin(), samples.end(), got.begin()));
  EXPECT_EQ(got[100], 0xEE) << "copied bytes of the next chunk";
  // The chunk is used up: a second read delivers nothing and succeeds.
  ASSERT_EQ(wavRead(w.file, 10, got.data(), &w.dataChunk, &delivered), 0);
  EXPECT_EQ(delivered, 0u);
}

TEST_F(WavReader, DataAnnouncingMoreThanTheFileHoldsIsShortAndMeasuredByWhatIsThere) {
  for (uint32_t announced : {1000u, 0xFFFFFFFFu}) {
    Bytes file = riff("WAVE", {chunk("fmt ", formatFields(1, 1, 22050, 16))});
    Bytes data = chunk("data", pattern(100), announced);
    file.insert(file.end(), data.begin(), data.end());
    // The RIFF size must cover the announced data too, as a cut-off file's header does.
    uint32_t riffSize = announced == 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)(file.size() - 8 + announced - 100);
    memcpy(&file[4], &riffSize, 4);
    writeFile("h.wav", file);
    OpenWav w("h.wav");
    ASSERT_EQ(w.opened, 0);
    ASSERT_EQ(wavFindData(w.file, &w.dataChunk, &w.riffChunk), 0);
    EXPECT_EQ(w.dataChunk.cksize, announced);
    EXPECT_EQ(wavBytesPresent(w.file, &w.dataChunk), 100u) << announced;
    // Measuring leaves the file on the first sample byte.
    Bytes first(100);
    uint32_t delivered = 0;
    ASSERT_EQ(wavRead(w.file, 100, first.data(), &w.dataChunk, &delivered), 0);
    EXPECT_EQ(first, pattern(100));
    Bytes more(200);
    EXPECT_EQ(wavRead(w.file, 200, more.data(), &w.dataChunk, &delivered), WAV_ERR_SHORT);
    EXPECT_EQ(delivered, 0u);
  }
}

TEST(RiffFile, SeeksAndReadsAgreeWithTheFileAcrossBufferRefills) {
  enterTempDir();
  Bytes content = pattern(30000);
  writeFile("r.bin", content);
  MMIOINFO info{};
  info.cchBuffer = 1000;
  HMMIO f = mmioOpen("r.bin", &info, MMIO_ALLOCBUF);
  ASSERT_NE(f, nullptr);
  char got[3000];
  for (int32_t at : {0, 999, 1000, 25000, 4321, 29990}) {
    ASSERT_EQ(mmioSeek(f, at, SEEK_SET_MMIO), at);
    int32_t n = mmioRead(f, got, 3000);
    int32_t expected = std::min<int32_t>(3000, 30000 - at);
    ASSERT_EQ(n, expected) << at;
    EXPECT_EQ(memcmp(got, content.data() + at, (size_t)n), 0) << at;
    EXPECT_EQ(mmioSeek(f, 0, SEEK_CUR_MMIO), at + n);
  }
  EXPECT_EQ(mmioSeek(f, 0, SEEK_END_MMIO), 30000);
  EXPECT_EQ(mmioRead(f, got, 10), 0);
  EXPECT_EQ(mmioSeek(f, -1, SEEK_SET_MMIO), -1);

  // The buffer state moves with direct reads; a pointer outside the buffer is refused.
  ASSERT_EQ(mmioSeek(f, 5000, SEEK_SET_MMIO), 5000);
  MMIOINFO state{};
  ASSERT_EQ(mmioGetInfo(f, &state, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(mmioAdvance(f, &state, MMIO_READ), MMSYSERR_NOERROR);
  ASSERT_GT(state.pchEndRead - state.pchNext, 0);
  EXPECT_EQ((uint8_t)*state.pchNext, content[5000]);
  state.pchNext += 10;
  ASSERT_EQ(mmioSetInfo(f, &state, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioSeek(f, 0, SEEK_CUR_MMIO), 5010);
  MMIOINFO wild = state;
  wild.pchNext = state.pchEndRead + 1;
  EXPECT_EQ(mmioSetInfo(f, &wild, 0), (MMRESULT)MMSYSERR_INVALPARAM);
  EXPECT_EQ(mmioAdvance(f, &wild, MMIO_READ), (MMRESULT)MMSYSERR_INVALPARAM);
  EXPECT_EQ(mmioClose(f, 0), (MMRESULT)MMSYSERR_NOERROR);

  // Unbuffered files have no buffer state to advance.
  HMMIO plain = mmioOpen("r.bin", 0, MMIO_READ);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(mmioAdvance(plain, 0, MMIO_READ), (MMRESULT)MMIOERR_UNBUFFERED);
  ASSERT_EQ(mmioRead(plain, got, 5), 5);
  EXPECT_EQ(memcmp(got, content.data(), 5), 0);
  mmioClose(plain, 0);
  EXPECT_EQ(mmioOpen("missing.bin", &info, MMIO_ALLOCBUF), nullptr);
  EXPECT_EQ(info.wErrorRet, (uint32_t)MMIOERR_FILENOTFOUND);
}

}  // namespace
