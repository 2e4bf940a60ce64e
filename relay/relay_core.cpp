// What each message leads to, the limits, and the rooms' lives.
#include "relay/relay_core.h"

#include <string.h>

#include <utility>

namespace relay {

namespace {

std::shared_ptr<const Bytes> refusal(uint8_t reason, const char* text) {
  auto bytes = std::make_shared<Bytes>();
  writeRefused(*bytes, reason, text);
  return bytes;
}

std::string codeText(const char code[ROOM_CODE_LENGTH]) { return std::string(code, ROOM_CODE_LENGTH); }

}  // namespace

RelayCore::RelayCore(const RelayLimits& limits, std::function<uint64_t()> randomBits)
    : limits_(limits), randomBits_(std::move(randomBits)) {}

bool RelayCore::connect(ConnectionId id, const std::string& address) {
  if (connections_.count(id) || connections_.size() >= limits_.maxConnections) return false;
  Address& a = addresses_[address];
  if (a.connections >= limits_.maxConnectionsPerAddress) return false;
  a.connections++;
  connections_[id].address = address;
  return true;
}

void RelayCore::disconnect(ConnectionId id) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  leaveRoom(id, it->second);
  auto a = addresses_.find(it->second.address);
  if (a != addresses_.end() && a->second.connections > 0) a->second.connections--;
  connections_.erase(it);
  forgetIdleAddresses(lastNowMs_);
}

void RelayCore::receive(ConnectionId id, const uint8_t* data, size_t size, bool binary,
                        uint64_t nowMs, Effects& effects) {
  if (nowMs > lastNowMs_) lastNowMs_ = nowMs;
  auto it = connections_.find(id);
  if (it == connections_.end() || it->second.refused) return;
  Connection& c = it->second;
  if (!binary) return refuse(id, c, REFUSED_BAD_MESSAGE, "text messages are not part of the protocol", effects);
  if (size > MAX_CLIENT_MESSAGE) return refuse(id, c, REFUSED_BAD_MESSAGE, "message too long", effects);
  ClientMessage m;
  if (!readClientMessage(data, size, &m)) return refuse(id, c, REFUSED_BAD_MESSAGE, "malformed message", effects);
  if (m.type == MSG_HOST || m.type == MSG_JOIN) return enter(id, c, m, nowMs, effects);

  auto r = rooms_.find(c.roomId);
  RoomMember* member = r == rooms_.end() ? nullptr : roomMember(r->second, id);
  if (!member) return refuse(id, c, REFUSED_BAD_MESSAGE, "host or join a room first", effects);
  Room& room = r->second;
  switch (m.type) {
    case MSG_TAKE:
      roomTake(room, *member);  // with every rider taken it is ignored: the client stays to watch
      return;
    case MSG_INPUT:
      switch (roomInput(room, *member, m.step, m.input)) {
        case INPUT_BAD_STEP: return refuse(id, c, REFUSED_BAD_MESSAGE, "input for a step out of order", effects);
        case INPUT_TOO_MANY: return refuse(id, c, REFUSED_TOO_MANY, "too many inputs", effects);
        default: return;
      }
    case MSG_DIGEST:
      switch (roomDigest(room, *member, m.step, m.digest)) {
        case DIGEST_BAD_STEP: return refuse(id, c, REFUSED_BAD_MESSAGE, "digest for a step out of range", effects);
        case DIGEST_DIFFERS: {
          effects.notes.push_back("room " + codeText(room.code) + ": client " +
                                  std::to_string(member->client) + " differs at step " +
                                  std::to_string(m.step) + "; sending it the log again");
          auto out = std::make_shared<Bytes>();
          writeOutOfStep(*out, m.step);
          effects.out.push_back({id, out, false});
          roomResynced(room, *member);
          welcome(room, *member, effects);
          return;
        }
        default: return;
      }
    default:
      return;
  }
}

void RelayCore::enter(ConnectionId id, Connection& c, const ClientMessage& m, uint64_t nowMs,
                      Effects& effects) {
  if (c.roomId) return refuse(id, c, REFUSED_BAD_MESSAGE, "already in a room", effects);
  if (!attemptAllowed(c.address, nowMs))
    return refuse(id, c, REFUSED_TOO_MANY, "too many attempts to join; wait a little", effects);
  if (m.version != PROTOCOL_VERSION)
    return refuse(id, c, REFUSED_VERSION, "this relay speaks protocol version 1", effects);
  Room* room = nullptr;
  if (m.type == MSG_HOST) {
    if (rooms_.size() >= limits_.maxRooms)
      return refuse(id, c, REFUSED_TOO_MANY, "too many rooms on this relay", effects);
    room = makeRoom(m.seed, m.settings, c.codeAsked ? c.askedCode : nullptr);
    if (!room) return refuse(id, c, REFUSED_TOO_MANY, "no room code free", effects);
    effects.roomsOpened.push_back(room->id);
  } else {
    auto code = codes_.find(codeText(m.code));
    if (code == codes_.end()) return refuse(id, c, REFUSED_UNKNOWN_ROOM, "no room with that code", effects);
    room = &rooms_.at(code->second);
    if (room->members.size() >= room->settings.riderCount)
      return refuse(id, c, REFUSED_ROOM_FULL, "the room is full", effects);
  }
  c.roomId = room->id;
  RoomMember& member = roomAdd(*room, id, limits_.inputBurst);
  welcome(*room, member, effects);
}

void RelayCore::requestPath(ConnectionId id, const std::string& path) {
  auto found = connections_.find(id);
  // A proxy may keep a prefix of its own ("/relay/room/CODE").
  static const char PREFIX[] = "/room/";
  size_t at = path.rfind(PREFIX);
  if (found == connections_.end() || at == std::string::npos) return;
  std::string rest = path.substr(at + sizeof PREFIX - 1, 32);
  Connection& c = found->second;
  c.codeAsked = parseRoomCode(rest.c_str(), c.askedCode);
}

Room* RelayCore::makeRoom(uint32_t seed, const MatchSettings& settings, const char* askedCode) {
  // 40 random bits make collisions rare; a few tries make them harmless. A code the client
  // asked for comes first, when no room has it.
  for (int tries = 0; tries < 9; ++tries) {
    char code[ROOM_CODE_LENGTH];
    if (tries == 0 && askedCode) memcpy(code, askedCode, ROOM_CODE_LENGTH);
    else if (tries == 0) continue;
    else roomCodeFromBits(randomBits_() & 0xffffffffffull, code);
    if (codes_.count(codeText(code))) continue;
    uint64_t roomId = nextRoomId_++;
    Room& room = rooms_[roomId];
    room.id = roomId;
    memcpy(room.code, code, ROOM_CODE_LENGTH);
    room.seed = seed;
    room.settings = settings;
    codes_[codeText(code)] = roomId;
    return &room;
  }
  return nullptr;
}

void RelayCore::welcome(Room& room, const RoomMember& member, Effects& effects) {
  auto out = std::make_shared<Bytes>();
  roomWelcome(room, member.client, *out);
  effects.out.push_back({member.connection, out, false});
}

void RelayCore::refuse(ConnectionId id, Connection& c, uint8_t reason, const char* text,
                       Effects& effects) {
  leaveRoom(id, c);
  c.refused = true;
  effects.out.push_back({id, refusal(reason, text), true});
}

void RelayCore::leaveRoom(ConnectionId id, Connection& c) {
  auto r = rooms_.find(c.roomId);
  if (r != rooms_.end()) roomRemove(r->second, id);
  c.roomId = 0;
}

void RelayCore::tick(uint64_t roomId, Effects& effects) {
  auto r = rooms_.find(roomId);
  if (r == rooms_.end()) return;
  Room& room = r->second;
  Bundle bundle;
  uint32_t step = roomTick(room, limits_.inputBurst, &bundle);
  auto out = std::make_shared<Bytes>();
  writeBundleMessage(*out, step, bundle);
  for (const RoomMember& m : room.members) effects.out.push_back({m.connection, out, false});
  if (room.step >= limits_.maxLogSteps || room.log.size() >= limits_.maxLogBytes)
    return endRoom(room, REFUSED_ROOM_ENDED, "the room has run as long as a room may", effects);
  if (room.members.empty() && room.emptyTicks >= limits_.emptyRoomSeconds * limits_.stepsPerSecond)
    return endRoom(room, REFUSED_ROOM_ENDED, "nobody was in the room", effects);
}

void RelayCore::endRoom(Room& room, uint8_t reason, const char* text, Effects& effects) {
  auto out = refusal(reason, text);
  for (const RoomMember& m : room.members) {
    auto c = connections_.find(m.connection);
    if (c == connections_.end()) continue;
    c->second.roomId = 0;
    c->second.refused = true;
    effects.out.push_back({m.connection, out, true});
  }
  effects.notes.push_back("room " + codeText(room.code) + " ended after " +
                          std::to_string(room.step) + " steps: " + text);
  effects.roomsClosed.push_back(room.id);
  codes_.erase(codeText(room.code));
  rooms_.erase(room.id);
}

bool RelayCore::attemptAllowed(const std::string& address, uint64_t nowMs) {
  Address& a = addresses_[address];
  uint64_t window = uint64_t(limits_.joinWindowSeconds) * 1000;
  if (a.attempts == 0 || nowMs - a.windowStartMs >= window) {
    a.windowStartMs = nowMs;
    a.attempts = 0;
  }
  return ++a.attempts <= limits_.joinAttempts;
}

void RelayCore::forgetIdleAddresses(uint64_t nowMs) {
  // An address with no connection is kept only while its join window runs, so reconnecting
  // does not reset it, and the table stays bounded.
  if (addresses_.size() <= 2 * size_t(limits_.maxConnections)) return;
  uint64_t window = uint64_t(limits_.joinWindowSeconds) * 1000;
  for (auto a = addresses_.begin(); a != addresses_.end();) {
    if (a->second.connections == 0 && nowMs - a->second.windowStartMs >= window)
      a = addresses_.erase(a);
    else
      ++a;
  }
}

const Room* RelayCore::room(uint64_t roomId) const {
  auto r = rooms_.find(roomId);
  return r == rooms_.end() ? nullptr : &r->second;
}

const Room* RelayCore::roomWithCode(const char code[ROOM_CODE_LENGTH]) const {
  auto c = codes_.find(codeText(code));
  return c == codes_.end() ? nullptr : room(c->second);
}

}  // namespace relay
