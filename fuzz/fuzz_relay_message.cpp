// The relay's message readers and its room logic. The whole input is read as one client
// message and as one relay message; then it is cut into messages from one client of a room,
// a header byte before each: its low 7 bits the length (127: a text frame of that length),
// its high bit set for no tick after it (so bursts within a step are tried too). However hostile the bytes: whatever is read writes back the same, every
// message the relay sends reads back, the room's log holds exactly its steps, and only the
// sender is ever sent away.
#include <string.h>

#include "fuzz/fuzz_support.h"
#include "protocol/protocol.h"
#include "relay/relay_core.h"

namespace {

MatchSettings fiveRiders() {
  MatchSettings s = {};
  s.riderCount = PROTOCOL_RIDERS;
  return s;
}

void checkClientMessage(const uint8_t* data, size_t size) {
  ClientMessage m;
  if (!readClientMessage(data, size, &m)) return;
  if (size > MAX_CLIENT_MESSAGE) fuzzFail("a client message over the limit was read");
  Bytes again;
  switch (m.type) {
    case MSG_HOST:
      if (m.version != PROTOCOL_VERSION) return;
      if (!settingsValid(m.settings)) fuzzFail("HOST read with invalid settings");
      writeHost(again, m.seed, m.settings);
      break;
    case MSG_JOIN:
      if (m.version != PROTOCOL_VERSION) return;
      writeJoin(again, m.code);
      break;
    case MSG_TAKE: writeTake(again); break;
    case MSG_INPUT: writeInput(again, m.step, m.input); break;
    case MSG_DIGEST: writeDigest(again, m.step, m.digest); break;
    default: fuzzFail("an unknown client message type was read");
  }
  if (again.size() != size || memcmp(again.data(), data, size) != 0)
    fuzzFail("a client message does not write back as it was read");
}

void checkRelayMessage(const uint8_t* data, size_t size) {
  RelayMessage m;
  if (!readRelayMessage(data, size, &m)) return;
  Bytes again;
  switch (m.type) {
    case MSG_WELCOME:
      if (m.welcome.version != PROTOCOL_VERSION) return;
      if (m.welcome.log < data || m.welcome.log + m.welcome.logSize != data + size)
        fuzzFail("a welcome's log is not the end of the message");
      writeWelcome(again, m.welcome.code, m.welcome.client, m.welcome.seed, m.welcome.settings,
                   m.welcome.steps, m.welcome.log, m.welcome.logSize);
      break;
    case MSG_BUNDLE: writeBundleMessage(again, m.step, m.bundle); break;
    case MSG_REFUSED:
      if (strlen(m.text) > MAX_REFUSAL_TEXT) fuzzFail("refusal text too long");
      return;  // unprintable characters are shown as '?': not the same bytes
    case MSG_OUT_OF_STEP: writeOutOfStep(again, m.step); break;
    default: fuzzFail("an unknown relay message type was read");
  }
  if (again.size() != size || memcmp(again.data(), data, size) != 0)
    fuzzFail("a relay message does not write back as it was read");
}

struct Sent {
  bool closed = false;
};

void checkEffects(const relay::Effects& effects, Sent sent[3]) {
  for (const relay::Outgoing& o : effects.out) {
    if (o.to < 1 || o.to > 2) fuzzFail("a message to a connection that does not exist");
    if (sent[o.to].closed) fuzzFail("a message after closing");
    RelayMessage m;
    if (!readRelayMessage(o.message->data(), o.message->size(), &m)) fuzzFail("the relay sent an unreadable message");
    if (o.close) sent[o.to].closed = true;
  }
}

void runRoom(const uint8_t* data, size_t size) {
  relay::RelayLimits limits;
  uint64_t bits = 0;
  relay::RelayCore core(limits, [&bits] { return ++bits; });
  Sent sent[3];
  relay::Effects effects;
  Bytes message;
  core.connect(1, "host");
  core.connect(2, "fuzzer");
  writeHost(message, 1, fiveRiders());
  core.receive(1, message.data(), message.size(), true, 0, effects);
  if (effects.roomsOpened.size() != 1) fuzzFail("the host made no room");
  uint64_t roomId = effects.roomsOpened[0];
  const relay::Room* room = core.room(roomId);
  message.clear();
  writeJoin(message, room->code);
  core.receive(2, message.data(), message.size(), true, 0, effects);
  checkEffects(effects, sent);

  uint64_t nowMs = 0;
  size_t at = 0;
  while (at < size) {
    size_t length = data[at] & 0x7f;
    bool text = length == 0x7f;
    bool tick = !(data[at] & 0x80);
    ++at;
    if (length > size - at) length = size - at;
    // Only the bytes of the message itself, in a buffer of their own, so a read past its end
    // is caught.
    Bytes one(data + at, data + at + length);
    at += length;
    relay::Effects e;
    core.receive(2, one.data(), one.size(), !text, nowMs += 10, e);
    if (tick) core.tick(roomId, e);
    checkEffects(e, sent);
  }
  if (sent[1].closed) fuzzFail("the host was sent away for another client's messages");
  room = core.room(roomId);
  if (!room) fuzzFail("the room ended");
  size_t logAt = 0;
  Bundle bundle;
  for (uint32_t i = 0; i < room->step; ++i)
    if (!readLogBundle(room->log.data(), room->log.size(), &logAt, &bundle)) fuzzFail("the room's log is unreadable");
  if (logAt != room->log.size()) fuzzFail("the room's log holds more than its steps");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Copies of exactly `size` bytes, so AddressSanitizer sees any read past the end.
  Bytes whole(data, data + size);
  checkClientMessage(whole.data(), whole.size());
  checkRelayMessage(whole.data(), whole.size());
  runRoom(whole.data(), whole.size());
  return 0;
}
