#include "session/replay_file.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char MAGIC[8] = {'V', 'A', 'S', 'K', 'R', 'E', 'C', '1'};

struct In {
  const uint8_t* data;
  size_t size;
  size_t at;
  bool failed;
};

uint32_t take(In& in, int bytes) {
  if (in.failed || in.size - in.at < static_cast<size_t>(bytes)) {
    in.failed = true;
    return 0;
  }
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(in.data[in.at + i]) << (8 * i);
  in.at += bytes;
  return v;
}

void put(Bytes& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool fail(char* why, size_t whySize, const char* text) {
  if (why && whySize) snprintf(why, whySize, "%s", text);
  return false;
}

}  // namespace

void writeReplay(Bytes& out, const MatchRecord& r) {
  out.insert(out.end(), MAGIC, MAGIC + sizeof MAGIC);
  put(out, REPLAY_VERSION, 2);
  put(out, r.resetSeed, 4);
  put(out, r.runSeed, 4);
  writeSettings(out, r.settings);
  for (int i = 0; i < PROTOCOL_RIDERS; ++i) put(out, r.steering[i], 1);
  put(out, r.viewer, 1);
  put(out, r.steps, 4);
  put(out, r.log.size(), 4);
  out.insert(out.end(), r.log.begin(), r.log.end());
  put(out, r.digests.size(), 4);
  for (const DigestMark& d : r.digests) {
    put(out, d.step, 4);
    put(out, d.digest, 8);
  }
}

bool readReplay(const uint8_t* data, size_t size, MatchRecord* r, char* why, size_t whySize) {
  if (!data || size < sizeof MAGIC || memcmp(data, MAGIC, sizeof MAGIC) != 0)
    return fail(why, whySize, "it is not a Vask Light Cycles match record");
  if (size > REPLAY_FILE_LIMIT) return fail(why, whySize, "it is too large to be a match record");
  In in = {data, size, sizeof MAGIC, false};
  uint32_t version = take(in, 2);
  if (!in.failed && version != REPLAY_VERSION) {
    char text[120];
    snprintf(text, sizeof text, "it is a record of version %u; this build reads version %d",
             static_cast<unsigned>(version), REPLAY_VERSION);
    return fail(why, whySize, text);
  }
  r->resetSeed = take(in, 4);
  r->runSeed = take(in, 4);
  if (in.failed || !readSettingsAt(data, size, &in.at, &r->settings))
    return fail(why, whySize, "it is damaged: its match settings are cut short or impossible");
  for (int i = 0; i < PROTOCOL_RIDERS; ++i) {
    r->steering[i] = static_cast<uint8_t>(take(in, 1));
    if (r->steering[i] > 1) in.failed = true;
  }
  r->viewer = static_cast<uint8_t>(take(in, 1));
  r->steps = take(in, 4);
  uint32_t logSize = take(in, 4);
  if (in.failed || r->viewer >= r->settings.riderCount || logSize > size - in.at)
    return fail(why, whySize, "it is damaged: its start is cut short or impossible");
  // Every step has exactly one bundle, and the bundles fill the log.
  const uint8_t* log = data + in.at;
  size_t at = 0;
  Bundle bundle;
  if (r->steps > logSize) return fail(why, whySize, "it is damaged: its log is cut short");
  for (uint32_t i = 0; i < r->steps; ++i)
    if (!readLogBundle(log, logSize, &at, &bundle))
      return fail(why, whySize, "it is damaged: a step of its log is cut short or impossible");
  if (at != logSize) return fail(why, whySize, "it is damaged: its log does not end where it says");
  r->log.assign(log, log + logSize);
  in.at += logSize;
  uint32_t count = take(in, 4);
  if (in.failed || count > (size - in.at) / 12)
    return fail(why, whySize, "it is damaged: its digests are cut short");
  r->digests.clear();
  uint32_t last = 0;
  for (uint32_t i = 0; i < count; ++i) {
    DigestMark d;
    d.step = take(in, 4);
    uint64_t low = take(in, 4);
    d.digest = low | static_cast<uint64_t>(take(in, 4)) << 32;
    // Digests come in step order, one per period, never beyond the log.
    if (d.step == 0 || d.step % DIGEST_PERIOD != 0 || d.step <= last || d.step > r->steps)
      return fail(why, whySize, "it is damaged: its digests are out of order");
    last = d.step;
    r->digests.push_back(d);
  }
  if (in.failed || in.at != size) return fail(why, whySize, "it is damaged: it does not end where it should");
  return true;
}

bool loadReplayFile(const char* path, MatchRecord* record, char* why, size_t whySize) {
  FILE* file = fopen(path, "rb");
  if (!file) return fail(why, whySize, "it cannot be opened");
  Bytes bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (bytes.size() + n > static_cast<size_t>(REPLAY_FILE_LIMIT) + 1) break;  // enough to refuse it
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  bool readFailed = ferror(file) != 0;
  fclose(file);
  if (readFailed) return fail(why, whySize, "it cannot be read");
  return readReplay(bytes.data(), bytes.size(), record, why, whySize);
}

bool saveReplayFile(const char* path, const MatchRecord& record) {
  Bytes bytes;
  writeReplay(bytes, record);
  size_t length = strlen(path);
  char* temporary = static_cast<char*>(malloc(length + 5));
  if (!temporary) return false;
  memcpy(temporary, path, length);
  memcpy(temporary + length, ".new", 5);
  FILE* file = fopen(temporary, "wb");
  bool written = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file && fclose(file) != 0) written = false;
  if (written) {
    remove(path);  // Windows will not rename over an existing file
    written = rename(temporary, path) == 0;
  }
  if (!written) remove(temporary);
  free(temporary);
  return written;
}
