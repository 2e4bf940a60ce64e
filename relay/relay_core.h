// The whole relay without its sockets: connections, rooms, codes, limits and what every
// message a client sends leads to. The server (relay_server.cpp) feeds it what arrives and
// ticks its rooms, and carries out the effects: messages to send, connections to close,
// room timers to start and stop. Tests drive it the same way, without a network.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "relay/relay_limits.h"
#include "relay/room.h"

namespace relay {

struct Outgoing {
  ConnectionId to;
  std::shared_ptr<const Bytes> message;  // one protocol message (bundles are shared)
  bool close;                            // close the connection once it is sent
};

struct Effects {
  std::vector<Outgoing> out;
  std::vector<uint64_t> roomsOpened;  // start ticking these
  std::vector<uint64_t> roomsClosed;  // stop
  std::vector<std::string> notes;     // for the relay's log
};

class RelayCore {
 public:
  // randomBits: at least 40 good random bits a call, for room codes.
  RelayCore(const RelayLimits& limits, std::function<uint64_t()> randomBits);

  // A new connection from `address`. False when over a connection limit: the caller closes
  // it at once (nothing has been said over it yet) and does not call disconnect().
  bool connect(ConnectionId id, const std::string& address);
  // One WebSocket message. `binary` false for a text frame. nowMs: a steady clock, for the
  // join rate.
  void receive(ConnectionId id, const uint8_t* data, size_t size, bool binary, uint64_t nowMs,
               Effects& effects);
  // The address the client asked for ("/room/CODE"): a load balancer in front of several
  // relays routes by it, so a room made over it takes that code when it is free, and the
  // people who join it by the same address meet on this relay.
  void requestPath(ConnectionId id, const std::string& path);
  // The connection is gone (closed by either side, lost, timed out, too slow).
  void disconnect(ConnectionId id);
  // One tick of a room: its next bundle to everyone in it. May end the room.
  void tick(uint64_t roomId, Effects& effects);

  const Room* room(uint64_t roomId) const;
  const Room* roomWithCode(const char code[ROOM_CODE_LENGTH]) const;
  size_t roomCount() const { return rooms_.size(); }
  size_t connectionCount() const { return connections_.size(); }
  const RelayLimits& limits() const { return limits_; }

 private:
  struct Connection {
    std::string address;
    uint64_t roomId = 0;
    bool refused = false;  // told why and being closed: nothing more is read from it
    bool codeAsked = false;  // the path named a room code ...
    char askedCode[ROOM_CODE_LENGTH] = {};  // ... this one
  };
  struct Address {
    uint32_t connections = 0;
    uint64_t windowStartMs = 0;
    uint32_t attempts = 0;
  };

  void enter(ConnectionId id, Connection& c, const ClientMessage& m, uint64_t nowMs,
             Effects& effects);
  void refuse(ConnectionId id, Connection& c, uint8_t reason, const char* text, Effects& effects);
  void leaveRoom(ConnectionId id, Connection& c);
  void endRoom(Room& room, uint8_t reason, const char* text, Effects& effects);
  bool attemptAllowed(const std::string& address, uint64_t nowMs);
  void forgetIdleAddresses(uint64_t nowMs);
  Room* makeRoom(uint32_t seed, const MatchSettings& settings, const char* askedCode);
  void welcome(Room& room, const RoomMember& member, Effects& effects);

  RelayLimits limits_;
  std::function<uint64_t()> randomBits_;
  std::unordered_map<ConnectionId, Connection> connections_;
  std::unordered_map<std::string, Address> addresses_;
  std::map<uint64_t, Room> rooms_;
  std::map<std::string, uint64_t> codes_;
  uint64_t nextRoomId_ = 1;
  uint64_t lastNowMs_ = 0;
};

}  // namespace relay
