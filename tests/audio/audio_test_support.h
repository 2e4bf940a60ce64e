// Helpers of the sound tests: WAV files built byte by byte, a private working directory, and
// measurements of rendered stereo samples.
#pragma once
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

inline void put16(Bytes& b, uint32_t v) {
  b.push_back((uint8_t)v);
  b.push_back((uint8_t)(v >> 8));
}
inline void put32(Bytes& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
// Byte by byte: GCC 12 at -O3 takes a range insert here for an overflow that is not there.
inline void putId(Bytes& b, const char* id) {
  for (int i = 0; i < 4; i++) b.push_back((uint8_t)id[i]);
}

// One chunk: identifier, size (the real one unless `announced` says otherwise), data, pad.
inline Bytes chunk(const char* id, const Bytes& data, int64_t announced = -1) {
  Bytes b;
  putId(b, id);
  put32(b, announced >= 0 ? (uint32_t)announced : (uint32_t)data.size());
  b.insert(b.end(), data.begin(), data.end());
  if (data.size() % 2) b.push_back(0);
  return b;
}

inline Bytes riff(const char* form, const std::vector<Bytes>& chunks) {
  Bytes body;
  putId(body, form);
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  return chunk("RIFF", body);
}

// The 16 bytes every format starts with.
inline Bytes formatFields(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  Bytes b;
  uint16_t align = (uint16_t)(channels * bits / 8);
  put16(b, tag);
  put16(b, channels);
  put32(b, rate);
  put32(b, rate * align);
  put16(b, align);
  put16(b, bits);
  return b;
}

inline Bytes pcm16(const std::vector<float>& samples) {
  Bytes b;
  for (float s : samples) put16(b, (uint16_t)(int16_t)lrintf(s * 32767.0f));
  return b;
}

// A mono 16-bit PCM WAV file holding the samples.
inline Bytes monoWav(uint32_t rate, const std::vector<float>& samples) {
  return riff("WAVE", {chunk("fmt ", formatFields(1, 1, rate, 16)), chunk("data", pcm16(samples))});
}

inline std::vector<float> sine(double hertz, uint32_t rate, double seconds, float amplitude = 0.5f) {
  std::vector<float> s((size_t)(rate * seconds));
  for (size_t n = 0; n < s.size(); n++) s[n] = amplitude * (float)sin(2 * 3.14159265358979323846 * hertz * (double)n / rate);
  return s;
}

inline void writeFile(const char* name, const Bytes& bytes) {
  FILE* f = fopen(name, "wb");
  if (!f) abort();
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

inline Bytes readFile(const std::string& name) {
  Bytes b;
  FILE* f = fopen(name.c_str(), "rb");
  if (!f) return b;
  int c;
  while ((c = fgetc(f)) != EOF) b.push_back((uint8_t)c);
  fclose(f);
  return b;
}

// Makes a fresh directory in the system's temporary folder and works in it; the test's files
// stay there. (std::filesystem, so the Windows build of the suites makes its folders too.)
// The four effect files, each a sound of its own, so a slot holding another file's samples
// shows.
inline void writeDistinctSlotFiles() {
  writeFile("cyc4.wav", monoWav(22050, sine(441, 22050, 0.5)));
  writeFile("boom.wav", monoWav(22050, sine(300, 22050, 0.3)));
  writeFile("turn2.wav", monoWav(11025, sine(1000, 11025, 0.2)));
  writeFile("boom2.wav", monoWav(22050, sine(200, 22050, 0.4)));
}

// The samples of a WAV file this support wrote: past RIFF, "fmt " (16 bytes) and "data".
inline Bytes samplesOf(const char* name) {
  Bytes file = readFile(name);
  return Bytes(file.begin() + 44, file.end());
}

inline std::string enterTempDir() {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) abort();
  std::random_device seed;
  for (int attempt = 0; attempt < 100; attempt++) {
    fs::path dir = base / ("vask-audio-" + std::to_string(seed()));
    if (fs::create_directory(dir, error)) {
      fs::current_path(dir, error);
      if (error) abort();
      return dir.string();
    }
  }
  abort();
}

// Stereo interleaved measurements on frames [from, to).
inline double channelRms(const std::vector<float>& stereo, int channel, size_t from, size_t to) {
  double sum = 0;
  size_t count = 0;
  for (size_t f = from; f < to && 2 * f + 1 < stereo.size(); f++, count++)
    sum += (double)stereo[2 * f + channel] * stereo[2 * f + channel];
  return count ? sqrt(sum / count) : 0.0;
}

inline double rms(const std::vector<float>& stereo, size_t from, size_t to) {
  double l = channelRms(stereo, 0, from, to), r = channelRms(stereo, 1, from, to);
  return sqrt((l * l + r * r) / 2);
}

// Sign changes of the left plus right channel: twice the frequency per second of a tone.
inline int zeroCrossings(const std::vector<float>& stereo, size_t from, size_t to) {
  int count = 0;
  float last = 0;
  for (size_t f = from; f < to && 2 * f + 1 < stereo.size(); f++) {
    float v = stereo[2 * f] + stereo[2 * f + 1];
    if (v == 0.0f) continue;
    if (last != 0.0f && ((v > 0) != (last > 0))) count++;
    last = v;
  }
  return count;
}
