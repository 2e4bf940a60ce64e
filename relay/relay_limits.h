// What the relay allows, each with its default; main.cpp sets them from the command line.
#pragma once
#include <stdint.h>

namespace relay {

enum { TICKS_PER_SECOND = 60 };

struct RelayLimits {
  uint32_t maxRooms = 1000;
  uint32_t maxConnections = 4000;
  uint32_t maxConnectionsPerAddress = 64;  // loopback tests open many
  uint32_t joinAttempts = 10;              // HOST and JOIN from one address ...
  uint32_t joinWindowSeconds = 10;         // ... within this many seconds
  uint32_t inputBurst = 8;                 // INPUTs a client may send ahead of one a step
  uint32_t maxLogSteps = 24u * 60 * 60 * TICKS_PER_SECOND;  // a day of play
  // The game closes its link on a message over 8 MiB, and a welcome carries the whole log.
  uint32_t maxLogBytes = 8u * 1024 * 1024 - 64 * 1024;
  uint32_t emptyRoomSeconds = 30;          // a room nobody is in ends after this
  uint32_t silentSeconds = 60;             // a client heard nothing from is dropped
  uint32_t handshakeSeconds = 10;          // to send the WebSocket upgrade and finish it
  // A client that does not read what it is sent is dropped rather than waited for.
  uint32_t maxQueueBytes = 16u * 1024 * 1024;
  uint32_t maxQueueSeconds = 20;           // of bundles
  // The rooms' pace. Games follow whatever it is; tests quicken it to play thousands of
  // steps in seconds.
  uint32_t stepsPerSecond = TICKS_PER_SECOND;
};

}  // namespace relay
