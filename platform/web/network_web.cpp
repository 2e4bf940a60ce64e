// The network layer on the browser's WebSocket, through emscripten's <emscripten/websocket.h>.
// Everything happens on the page's one thread: the browser calls back between the game's
// frames (while it awaits the next animation frame), and the callbacks only fill the
// link's queue, so nothing needs a lock. The browser queues what is sent once the socket is
// open; what the game sends before that waits in the link's own queue.
#include "platform/network.h"

#include "platform/shared/network_address.h"
#include "platform/shared/network_inbox.h"

#include <emscripten/emscripten.h>
#include <emscripten/websocket.h>

#include <deque>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

struct NetworkLink {
  EMSCRIPTEN_WEBSOCKET_T socket = 0;
  int state = NETWORK_CONNECTING;
  std::string reason;  // set once, with state becoming NETWORK_CLOSED; never changed after
  std::deque<std::vector<uint8_t>> received;
  std::deque<std::vector<uint8_t>> toSend;  // until the socket opens
  std::vector<uint8_t> handedOut;  // what networkReceive handed out last
};

namespace {

// A page may close with 1000 or a code of its own (3000-4999) only: the browser throws on
// any other. Why it gave up goes to the relay in the close's reason.
constexpr unsigned short CLOSE_NORMAL = 1000;

// A page served over https may not open a plain ws:// link: the browser would throw out
// of the socket's constructor, through the game. Asked first, so it never does.
EM_JS(int, pageAllowsPlainWebSocket, (), {
  return (typeof WebSocket != 'undefined' &&
          (typeof location == 'undefined' || location.protocol != 'https:')) ? 1 : 0;
});

void fail(NetworkLink* link, const std::string& why) {
  if (link->state == NETWORK_CLOSED) return;
  link->state = NETWORK_CLOSED;
  link->reason = why;
  link->toSend.clear();
}

// Gives up on the link, telling the relay why (the reasons here are all short enough for
// a close frame).
void giveUp(NetworkLink* link, const std::string& why) {
  fail(link, why);
  emscripten_websocket_close(link->socket, CLOSE_NORMAL, why.c_str());
}

EM_BOOL opened(int, const EmscriptenWebSocketOpenEvent*, void* user) {
  NetworkLink* link = static_cast<NetworkLink*>(user);
  if (link->state != NETWORK_CONNECTING) return EM_TRUE;
  link->state = NETWORK_OPEN;
  for (std::vector<uint8_t>& message : link->toSend) {
    static uint8_t nothing;
    if (emscripten_websocket_send_binary(link->socket, message.empty() ? &nothing : message.data(),
                                         static_cast<uint32_t>(message.size())) !=
        EMSCRIPTEN_RESULT_SUCCESS) {
      giveUp(link, "a message could not be sent");
      break;
    }
  }
  link->toSend.clear();
  return EM_TRUE;
}

EM_BOOL arrived(int, const EmscriptenWebSocketMessageEvent* event, void* user) {
  NetworkLink* link = static_cast<NetworkLink*>(user);
  if (link->state != NETWORK_OPEN || !event) return EM_TRUE;
  // The relay and the game speak binary only: text is not from one of ours.
  if (event->isText) {
    giveUp(link, "the relay sent a text message");
  } else if (event->numBytes > NETWORK_MESSAGE_LIMIT) {
    giveUp(link, "a message from the relay was too large");
  } else if (event->numBytes && !event->data) {
    giveUp(link, "out of memory");
  } else {
    link->received.emplace_back(event->data, event->data + event->numBytes);
  }
  return EM_TRUE;
}

// The browser says no more than that an error came; the close that follows says the rest.
EM_BOOL failed(int, const EmscriptenWebSocketErrorEvent*, void*) { return EM_TRUE; }

EM_BOOL closed(int, const EmscriptenWebSocketCloseEvent* event, void* user) {
  NetworkLink* link = static_cast<NetworkLink*>(user);
  if (link->state == NETWORK_CLOSED) return EM_TRUE;
  if (!event) {
    fail(link, "closed by the relay");
    return EM_TRUE;
  }
  char words[sizeof event->reason + 1];
  snprintf(words, sizeof words, "%.*s", static_cast<int>(sizeof event->reason), event->reason);
  if (words[0]) {
    fail(link, words);
  } else if (link->state == NETWORK_CONNECTING) {
    // Browsers tell a page nothing about why a connection failed.
    fail(link, "could not reach the relay");
  } else if (event->code == 1006) {
    fail(link, "connection lost");
  } else {
    fail(link, "closed by the relay");
  }
  return EM_TRUE;
}

}  // namespace

NetworkHandle networkOpen(const char* url) {
  if (!url) return 0;
  // The browser speaks TLS itself: a wss:// address (the relay behind an https site's proxy)
  // must be well formed as its ws:// twin would be, and needs no leave from the page.
  bool secure = strncmp(url, "wss://", 6) == 0;
  NetworkAddress address;
  if (secure) {
    char plain[5 + sizeof address.host + 8 + sizeof address.path + 8];
    size_t length = strnlen(url + 6, sizeof plain);
    if (length >= sizeof plain - 5) return 0;
    snprintf(plain, sizeof plain, "ws://%s", url + 6);
    if (!parseNetworkAddress(plain, &address)) return 0;
  } else if (!parseNetworkAddress(url, &address)) {
    return 0;
  }
  NetworkLink* link = new NetworkLink;
  if (!secure && !pageAllowsPlainWebSocket()) {
    fail(link, "this page may not open a plain ws:// link");
    return link;
  }
  EmscriptenWebSocketCreateAttributes attributes;
  emscripten_websocket_init_create_attributes(&attributes);
  attributes.url = url;
  EMSCRIPTEN_WEBSOCKET_T socket = emscripten_websocket_new(&attributes);
  if (socket <= 0) {
    fail(link, "the browser would not open the link");
    return link;
  }
  link->socket = socket;
  emscripten_websocket_set_onopen_callback_on_thread(socket, link, opened,
                                                     EM_CALLBACK_THREAD_CONTEXT_CALLING_THREAD);
  emscripten_websocket_set_onmessage_callback_on_thread(socket, link, arrived,
                                                        EM_CALLBACK_THREAD_CONTEXT_CALLING_THREAD);
  emscripten_websocket_set_onerror_callback_on_thread(socket, link, failed,
                                                      EM_CALLBACK_THREAD_CONTEXT_CALLING_THREAD);
  emscripten_websocket_set_onclose_callback_on_thread(socket, link, closed,
                                                      EM_CALLBACK_THREAD_CONTEXT_CALLING_THREAD);
  return link;
}

int networkState(NetworkHandle link) { return link ? link->state : NETWORK_CLOSED; }

bool networkSend(NetworkHandle link, const void* data, size_t size) {
  if (!link || (!data && size) || link->state == NETWORK_CLOSED) return false;
  if (size > NETWORK_MESSAGE_LIMIT) {
    giveUp(link, "a message to send was too large");
    return false;
  }
  if (link->state == NETWORK_CONNECTING) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    link->toSend.emplace_back(bytes, bytes + size);
    return true;
  }
  static uint8_t nothing;
  if (emscripten_websocket_send_binary(link->socket, size ? const_cast<void*>(data) : &nothing,
                                       static_cast<uint32_t>(size)) != EMSCRIPTEN_RESULT_SUCCESS) {
    giveUp(link, "a message could not be sent");
    return false;
  }
  return true;
}

bool networkReceive(NetworkHandle link, const uint8_t** data, size_t* size) {
  // Messages come on the page's one thread, between frames: nothing to lock.
  return link && handOutOldest(link->received, nullptr, link->handedOut, data, size);
}

const char* networkCloseReason(NetworkHandle link) {
  return link && link->state == NETWORK_CLOSED ? link->reason.c_str() : "";
}

void networkClose(NetworkHandle link) {
  if (!link) return;
  if (link->socket) {
    // The browser sends what it has queued before the close; the socket's callbacks go
    // first, as they name the link about to be freed.
    emscripten_websocket_close(link->socket, CLOSE_NORMAL, "");
    emscripten_websocket_delete(link->socket);
  }
  delete link;
}
