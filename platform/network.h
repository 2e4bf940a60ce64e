// Network layer: one WebSocket connection to a relay, carrying binary messages both ways.
// Nothing here ever blocks the caller: opening starts the connection, messages that arrive
// wait in a queue until the game takes them between frames, and sends are queued too.
// The backend says nothing about what the messages mean.
#pragma once
#include <stddef.h>
#include <stdint.h>

typedef struct NetworkLink* NetworkHandle;

enum NetworkState {
  NETWORK_CONNECTING = 0,  // the address is being resolved, or the handshake runs
  NETWORK_OPEN = 1,        // messages flow
  NETWORK_CLOSED = 2,      // refused, lost, closed by either side, or never reachable
};

// A message larger than this, in either direction, closes the link.
enum { NETWORK_MESSAGE_LIMIT = 8 * 1024 * 1024 };

// Starts connecting to "ws://HOST:PORT/PATH" (PATH may be empty). Returns 0 only for an
// address this backend cannot even try; an unreachable relay shows as NETWORK_CLOSED later.
NetworkHandle networkOpen(const char* url);

int networkState(NetworkHandle link);

// Queues one binary message. False once the link is closed or the message is too large.
bool networkSend(NetworkHandle link, const void* data, size_t size);

// Takes the oldest message that has arrived, in order. The bytes stay valid until the next
// call on this link. False when nothing is waiting.
bool networkReceive(NetworkHandle link, const uint8_t** data, size_t* size);

// Why a closed link closed, in words ("connection refused", the peer's close reason ...);
// "" while it is open.
const char* networkCloseReason(NetworkHandle link);

// Sends whatever is queued (waiting a moment at most), closes, and frees the link. 0 does
// nothing.
void networkClose(NetworkHandle link);
