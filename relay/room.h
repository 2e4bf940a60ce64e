// One room: who is in it and which rider each steers, the events waiting for the next
// bundle, the log of every bundle so far and the digests reported. Plain data and
// functions, no sockets and no clock: relay_core.cpp ticks it and says who hears what.
#pragma once
#include <stdint.h>

#include <deque>
#include <vector>

#include "protocol/protocol.h"

namespace relay {

typedef uint64_t ConnectionId;

struct RoomMember {
  ConnectionId connection;
  uint8_t client;          // its number in the room, as CAME, WENT and TOOK name it
  int rider;               // -1: none
  uint32_t lastInputStep;  // INPUT steps never go backwards
  uint32_t inputTokens;    // one a tick, up to the burst; one an INPUT
  // Digests up to this step come from a catch-up after a fresh welcome: not compared, so
  // one differing digest sends the log once, not once per step it replays.
  int64_t comparesAfter;
};

enum { DIGEST_MEMORY = 64 };  // digest steps remembered: about a minute of play

struct DigestRecord {
  bool known;
  uint32_t step;
  uint64_t digest;  // the first one reported for that step
};

struct Room {
  uint64_t id = 0;
  char code[ROOM_CODE_LENGTH] = {};
  uint32_t seed = 0;
  MatchSettings settings = {};
  uint32_t step = 0;  // the number of the next bundle, and of bundles in the log
  Bytes log;          // every bundle so far, as writeBundle writes them
  std::deque<BundleEvent> pending;
  std::vector<RoomMember> members;
  DigestRecord digests[DIGEST_MEMORY] = {};
  uint32_t emptyTicks = 0;  // ticks in a row with nobody in the room
};

// Adds a member (the caller checked there is room) with the lowest number not in use, and
// its CAME event. Returns the member.
RoomMember& roomAdd(Room& room, ConnectionId connection, uint32_t inputBurst);
// Removes a member, if there: WENT, then FREED for the rider it held.
void roomRemove(Room& room, ConnectionId connection);
RoomMember* roomMember(Room& room, ConnectionId connection);

// TAKE: the lowest free rider, and TOOK. False (and nothing happens) when the member holds a
// rider already or every rider is taken.
bool roomTake(Room& room, RoomMember& member);

enum InputVerdict { INPUT_QUEUED, INPUT_IGNORED, INPUT_BAD_STEP, INPUT_TOO_MANY };
// INPUT: queued as an event when the member holds a rider; its step must lie between the
// member's last INPUT step and the room's step, and the member must have a token left.
InputVerdict roomInput(Room& room, RoomMember& member, uint32_t step, uint8_t input);

enum DigestVerdict { DIGEST_NOTED, DIGEST_DIFFERS, DIGEST_BAD_STEP };
// DIGEST: its step must be a multiple of DIGEST_PERIOD and not past the room's step. The
// first digest for a step is remembered; a later one that differs is DIGEST_DIFFERS. Steps
// older than the memory are not judged.
DigestVerdict roomDigest(Room& room, RoomMember& member, uint32_t step, uint64_t digest);

// A differing member is sent the log again: from now on it is judged on later steps only.
void roomResynced(Room& room, RoomMember& member);

// One tick: the next bundle from the waiting events (at most MAX_BUNDLE_EVENTS, in arrival
// order), appended to the log; every member gets a token back. Returns the bundle's step.
uint32_t roomTick(Room& room, uint32_t inputBurst, Bundle* bundle);

// The welcome for a member: the room and its whole log.
void roomWelcome(const Room& room, uint8_t client, Bytes& out);

}  // namespace relay
