// A room's events, bundles, riders and digests.
#include "relay/room.h"

namespace relay {

namespace {

BundleEvent event(uint8_t kind, uint8_t rider, uint8_t value) {
  BundleEvent e;
  e.kind = kind;
  e.rider = rider;
  e.value = value;
  return e;
}

bool riderHeld(const Room& room, int rider) {
  for (const RoomMember& m : room.members)
    if (m.rider == rider) return true;
  return false;
}

}  // namespace

RoomMember& roomAdd(Room& room, ConnectionId connection, uint32_t inputBurst) {
  // The lowest free number: a room holds at most PROTOCOL_RIDERS members, so numbers stay
  // small however many come and go.
  uint8_t client = 0;
  for (bool used = true; used; ) {
    used = false;
    for (const RoomMember& m : room.members)
      if (m.client == client) {
        used = true;
        ++client;
        break;
      }
  }
  RoomMember m;
  m.connection = connection;
  m.client = client;
  m.rider = -1;
  m.lastInputStep = 0;
  m.inputTokens = inputBurst;
  m.comparesAfter = -1;
  room.members.push_back(m);
  room.pending.push_back(event(EVENT_CAME, client, 0));
  return room.members.back();
}

void roomRemove(Room& room, ConnectionId connection) {
  for (size_t i = 0; i < room.members.size(); ++i) {
    RoomMember m = room.members[i];
    if (m.connection != connection) continue;
    room.members.erase(room.members.begin() + static_cast<long>(i));
    room.pending.push_back(event(EVENT_WENT, m.client, 0));
    if (m.rider >= 0) room.pending.push_back(event(EVENT_FREED, static_cast<uint8_t>(m.rider), 0));
    return;
  }
}

RoomMember* roomMember(Room& room, ConnectionId connection) {
  for (RoomMember& m : room.members)
    if (m.connection == connection) return &m;
  return nullptr;
}

bool roomTake(Room& room, RoomMember& member) {
  if (member.rider >= 0) return false;
  for (int rider = 0; rider < room.settings.riderCount && rider < PROTOCOL_RIDERS; ++rider) {
    if (riderHeld(room, rider)) continue;
    member.rider = rider;
    room.pending.push_back(event(EVENT_TOOK, static_cast<uint8_t>(rider), member.client));
    return true;
  }
  return false;
}

InputVerdict roomInput(Room& room, RoomMember& member, uint32_t step, uint8_t input) {
  // A client has run at most the steps of the bundles it was sent.
  if (step > room.step || step < member.lastInputStep) return INPUT_BAD_STEP;
  // Riderless clients spend tokens too, so nobody floods the relay with ignored inputs.
  if (member.inputTokens == 0) return INPUT_TOO_MANY;
  member.inputTokens--;
  member.lastInputStep = step;
  if (member.rider < 0) return INPUT_IGNORED;
  room.pending.push_back(event(EVENT_INPUT, static_cast<uint8_t>(member.rider), input));
  return INPUT_QUEUED;
}

DigestVerdict roomDigest(Room& room, RoomMember& member, uint32_t step, uint64_t digest) {
  if (step % DIGEST_PERIOD != 0 || step > room.step) return DIGEST_BAD_STEP;
  DigestRecord& slot = room.digests[(step / DIGEST_PERIOD) % DIGEST_MEMORY];
  if (!slot.known || slot.step < step) {
    slot.known = true;
    slot.step = step;
    slot.digest = digest;
    return DIGEST_NOTED;
  }
  if (slot.step != step) return DIGEST_NOTED;  // older than the memory: not judged
  if (static_cast<int64_t>(step) <= member.comparesAfter || slot.digest == digest) return DIGEST_NOTED;
  return DIGEST_DIFFERS;
}

void roomResynced(Room& room, RoomMember& member) { member.comparesAfter = room.step; }

uint32_t roomTick(Room& room, uint32_t inputBurst, Bundle* bundle) {
  bundle->count = 0;
  while (!room.pending.empty() && bundle->count < MAX_BUNDLE_EVENTS) {
    bundle->events[bundle->count++] = room.pending.front();
    room.pending.pop_front();
  }
  writeBundle(room.log, *bundle);
  for (RoomMember& m : room.members)
    if (m.inputTokens < inputBurst) m.inputTokens++;
  room.emptyTicks = room.members.empty() ? room.emptyTicks + 1 : 0;
  return room.step++;
}

void roomWelcome(const Room& room, uint8_t client, Bytes& out) {
  writeWelcome(out, room.code, client, room.seed, room.settings, room.step, room.log.data(),
               room.log.size());
}

}  // namespace relay
