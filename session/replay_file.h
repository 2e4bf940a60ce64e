// Match records on disk: "VASKREC1", a version, the start, the log and the digests.
// Little-endian, like the relay's messages, so a record made by any build plays on any other.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "session/match_record.h"

enum {
  REPLAY_VERSION = 1,
  REPLAY_FILE_LIMIT = 64 * 1024 * 1024,  // about 12 days of steps at the least
};

// Reads a record from memory. On failure returns false and says why in `why`, in words a
// player can act on.
bool readReplay(const uint8_t* data, size_t size, MatchRecord* record, char* why,
                size_t whySize);

void writeReplay(Bytes& out, const MatchRecord& record);

// Files: the whole file is read, or the record written to a new file that then takes the
// old one's name, so a record is never left half written.
bool loadReplayFile(const char* path, MatchRecord* record, char* why, size_t whySize);
bool saveReplayFile(const char* path, const MatchRecord& record);
