// The sound files the game ships: readable as the slots read them, and the engine loops cleanly.
#include <gtest/gtest.h>

#include <algorithm>

#include "audio/wav_reader.h"
#include "audio_test_support.h"

namespace {

std::vector<int16_t> readMono16(const std::string& path, WAVEFORMATEX* formatOut) {
  HMMIO file = 0;
  WAVEFORMATEX* format = 0;
  MMCKINFO riffChunk{}, dataChunk{};
  std::vector<int16_t> samples;
  if (wavOpen(path.c_str(), &file, &format, &riffChunk) != 0) return samples;
  *formatOut = *format;
  if (wavFindData(file, &dataChunk, &riffChunk) == 0) {
    samples.resize(dataChunk.cksize / 2);
    uint32_t delivered = 0;
    if (wavRead(file, dataChunk.cksize, (uint8_t*)samples.data(), &dataChunk, &delivered) != 0)
      samples.clear();
  }
  wavClose(&file, &format);
  return samples;
}

TEST(SoundData, EverySoundIsSixteenBitMonoPcmAt22050) {
  for (const char* name : {"cyc4.wav", "boom.wav", "boom2.wav", "turn2.wav"}) {
    WAVEFORMATEX format{};
    std::vector<int16_t> s = readMono16(std::string(VASK_DATA_DIR) + "/" + name, &format);
    ASSERT_FALSE(s.empty()) << name;
    EXPECT_EQ(format.wFormatTag, 1) << name;
    EXPECT_EQ(format.nChannels, 1) << name;
    EXPECT_EQ(format.nSamplesPerSec, 22050u) << name;
    EXPECT_EQ(format.wBitsPerSample, 16) << name;
    int16_t peak = 0;
    for (int16_t v : s) peak = std::max<int16_t>(peak, (int16_t)std::abs(v));
    EXPECT_GT(peak, 8000) << name << " is nearly silent";
  }
}

TEST(SoundData, EngineWrapsRoundWithoutAClick) {
  WAVEFORMATEX format{};
  std::vector<int16_t> s = readMono16(std::string(VASK_DATA_DIR) + "/cyc4.wav", &format);
  ASSERT_GT(s.size(), 1000u);
  int largestStep = 0;
  for (size_t i = 1; i < s.size(); i++) largestStep = std::max(largestStep, std::abs(s[i] - s[i - 1]));
  int wrapStep = std::abs(s.front() - s.back());
  EXPECT_LE(wrapStep, largestStep) << "the jump from the last sample to the first is a click";
  // Not just small, but where the wave would have gone next: s.back() + slope ~ s.front().
  int slopeEnd = s[s.size() - 1] - s[s.size() - 2];
  int slopeStart = s[1] - s[0];
  EXPECT_LE(std::abs((s.front() - s.back()) - (slopeEnd + slopeStart) / 2), largestStep / 4);
}

TEST(SoundData, TheCrashesDiffer) {
  WAVEFORMATEX format{};
  std::vector<int16_t> a = readMono16(std::string(VASK_DATA_DIR) + "/boom.wav", &format);
  std::vector<int16_t> b = readMono16(std::string(VASK_DATA_DIR) + "/boom2.wav", &format);
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_NE(a.size(), b.size());
}

// Walks a standard MIDI file: the last event's time in seconds (at the file's tempo) and
// the note-ons per channel. Returns false for anything malformed.
bool walkMidi(const Bytes& m, double* seconds, int noteOns[16]) {
  auto be = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; i++) v = (v << 8) | m[at + i];
    return v;
  };
  if (m.size() < 14 || memcmp(m.data(), "MThd", 4) != 0) return false;
  uint32_t tracks = be(10, 2), division = be(12, 2);
  if (division == 0 || (division & 0x8000)) return false;
  uint32_t tempo = 500000, lastTick = 0;
  size_t at = 14;
  for (uint32_t t = 0; t < tracks; t++) {
    if (at + 8 > m.size() || memcmp(&m[at], "MTrk", 4) != 0) return false;
    size_t end = at + 8 + be(at + 4, 4);
    if (end > m.size()) return false;
    at += 8;
    uint32_t tick = 0;
    uint8_t status = 0;
    while (at < end) {
      uint32_t delta = 0;
      do delta = (delta << 7) | (m[at] & 0x7F); while (m[at++] & 0x80 && at < end);
      tick += delta;
      if (m[at] & 0x80) status = m[at++];
      if (status == 0xFF) {
        uint8_t type = m[at++];
        uint32_t length = m[at++];
        if (type == 0x51) tempo = be(at, 3);
        at += length;
      } else if ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) {
        at += 1;
      } else {
        if ((status & 0xF0) == 0x90 && m[at + 1] > 0) noteOns[status & 0x0F]++;
        at += 2;
      }
    }
    lastTick = std::max(lastTick, tick);
    at = end;
  }
  *seconds = lastTick * (tempo / 1e6) / division;
  return true;
}

TEST(SongData, IsAMinuteOfGeneralMidiWithDrumsBassPadAndLead) {
  Bytes song = readFile(std::string(VASK_DATA_DIR) + "/vask.mid");
  double seconds = 0;
  int noteOns[16] = {0};
  ASSERT_TRUE(walkMidi(song, &seconds, noteOns));
  EXPECT_GT(seconds, 50.0);
  EXPECT_LT(seconds, 75.0);
  EXPECT_GT(noteOns[9], 100) << "drums on channel 10";
  int voices = 0;
  for (int channel = 0; channel < 16; channel++)
    if (channel != 9 && noteOns[channel] > 0) voices++;
  EXPECT_GE(voices, 3) << "bass, pad and lead at least";
}

}  // namespace
