// The network layer on WinHTTP's WebSocket client (winhttp.dll, Windows 8 and later; Wine
// has it too). WinHTTP is used synchronously, and its calls block, so each link has two
// threads of its own: the receiver, which connects, upgrades and then waits for messages,
// and the sender, which writes the queued ones (WinHTTP allows one send and one receive
// under way at once, from different threads). The game's thread only touches the queues,
// the state and the close reason, under the link's lock.
// A blocked receive does not always end when its handle is closed (Wine's does not): a
// relay that never answers the close would hold networkClose for ever if it joined the
// threads. So the threads are detached, and the link is freed by whichever of the game
// and its two threads lets go of it last.
#include "platform/network.h"

#include "platform/shared/network_address.h"
#include "platform/shared/network_inbox.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <stdio.h>
#include <string>
#include <thread>
#include <vector>

struct NetworkLink {
  NetworkAddress address;
  wchar_t host[sizeof(NetworkAddress::host)];
  wchar_t path[sizeof(NetworkAddress::path)];

  HINTERNET session = 0;
  HINTERNET connection = 0;
  HINTERNET request = 0;

  // Shared between the threads, under the lock.
  std::mutex lock;
  std::condition_variable changed;
  HINTERNET websocket = 0;  // once upgraded
  bool handlesClosed = false;  // networkClose is tearing the link down: no new handle
  bool closeAsked = false;
  bool senderDone = false;
  bool receiverDone = false;
  int holders = 1;  // the game, and each thread still running
  std::deque<std::vector<uint8_t>> received;
  std::deque<std::vector<uint8_t>> toSend;
  int state = NETWORK_CONNECTING;
  std::string reason;  // set once, with state becoming NETWORK_CLOSED; never changed after

  // The game's: the message networkReceive handed out last.
  std::vector<uint8_t> handedOut;
};

namespace {

// How long closing waits for the queued messages and the relay's answer to the close.
constexpr std::chrono::milliseconds CLOSE_TIME{500};
// The close codes the link sends when it gives up on what the relay sent.
constexpr USHORT CLOSE_UNSUPPORTED_DATA = 1003;
constexpr USHORT CLOSE_MESSAGE_TOO_BIG = 1009;
// What one receive call reads at most; a message is put together from as many as it takes.
constexpr DWORD RECEIVE_PIECE = 64 * 1024;

// Closes the link for good, the first reason given being the one the game reads.
void fail(NetworkLink* link, const std::string& why) {
  std::lock_guard<std::mutex> hold(link->lock);
  if (link->state != NETWORK_CLOSED) {
    link->state = NETWORK_CLOSED;
    link->reason = why;
  }
  link->changed.notify_all();
}

std::string describe(DWORD error) {
  switch (error) {
    case ERROR_WINHTTP_CANNOT_CONNECT: return "connection refused";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "the relay's host was not found";
    case ERROR_WINHTTP_TIMEOUT: return "timed out";
    case ERROR_WINHTTP_CONNECTION_ERROR: return "connection lost";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "the relay's answer made no sense";
    case ERROR_WINHTTP_OPERATION_CANCELLED:
    case ERROR_INVALID_HANDLE: return "closed";
    case ERROR_NOT_ENOUGH_MEMORY: return "out of memory";
  }
  char words[48];
  snprintf(words, sizeof words, "network error %lu", static_cast<unsigned long>(error));
  return words;
}

// A thread's end: the link is freed if nobody else holds it.
void letGo(NetworkLink* link, bool* done) {
  bool last;
  {
    std::lock_guard<std::mutex> hold(link->lock);
    if (done) *done = true;
    link->changed.notify_all();
    last = --link->holders == 0;
  }
  if (last) delete link;
}

// Tells the relay why the link gives up, without waiting for its answer.
void shutDown(NetworkLink* link, HINTERNET websocket, USHORT code, const std::string& why) {
  fail(link, why);
  WinHttpWebSocketShutdown(websocket, code, 0, 0);
}

// Connects and upgrades; the WebSocket's handle, or 0 when the link has failed.
HINTERNET upgrade(NetworkLink* link) {
  if (!WinHttpSetOption(link->request, WINHTTP_OPTION_UPGRADE_TO_WEB_SOCKET, 0, 0) ||
      !WinHttpSendRequest(link->request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(link->request, 0)) {
    fail(link, describe(GetLastError()));
    return 0;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(link->request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
      status != 101) {
    char words[64];
    snprintf(words, sizeof words, "the relay refused the link (HTTP %lu)",
             static_cast<unsigned long>(status));
    fail(link, words);
    return 0;
  }
  HINTERNET websocket = WinHttpWebSocketCompleteUpgrade(link->request, 0);
  if (!websocket) {
    fail(link, describe(GetLastError()));
    return 0;
  }
  std::lock_guard<std::mutex> hold(link->lock);
  if (link->handlesClosed) {
    // networkClose came while the upgrade finished: the handle is this thread's to close.
    WinHttpCloseHandle(websocket);
    return 0;
  }
  link->websocket = websocket;
  if (link->state == NETWORK_CONNECTING) link->state = NETWORK_OPEN;
  link->changed.notify_all();
  return websocket;
}

// The receiver: connects, then puts messages together from their pieces until the link
// closes.
void receiveLoop(NetworkLink* link) {
  HINTERNET websocket = upgrade(link);
  std::vector<uint8_t> message;
  std::vector<uint8_t> piece(websocket ? RECEIVE_PIECE : 0);
  while (websocket) {
    DWORD size = 0;
    WINHTTP_WEB_SOCKET_BUFFER_TYPE type;
    DWORD error = WinHttpWebSocketReceive(websocket, piece.data(), RECEIVE_PIECE, &size, &type);
    if (error) {
      bool asked;
      {
        std::lock_guard<std::mutex> hold(link->lock);
        asked = link->closeAsked;
      }
      fail(link, asked ? "closed" : describe(error));
      break;
    }
    if (size > RECEIVE_PIECE) size = RECEIVE_PIECE;  // never trust a count past the buffer
    if (type == WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE ||
        type == WINHTTP_WEB_SOCKET_BINARY_FRAGMENT_BUFFER_TYPE) {
      if (size > NETWORK_MESSAGE_LIMIT - message.size()) {
        shutDown(link, websocket, CLOSE_MESSAGE_TOO_BIG, "a message from the relay was too large");
        break;
      }
      message.insert(message.end(), piece.begin(), piece.begin() + size);
      if (type == WINHTTP_WEB_SOCKET_BINARY_FRAGMENT_BUFFER_TYPE) continue;
      std::lock_guard<std::mutex> hold(link->lock);
      if (link->state != NETWORK_OPEN) break;
      link->received.push_back(std::move(message));
      message.clear();
    } else if (type == WINHTTP_WEB_SOCKET_CLOSE_BUFFER_TYPE) {
      USHORT code = 0;
      char words[124];  // a close frame's reason is at most 123 bytes
      DWORD length = 0;
      if (WinHttpWebSocketQueryCloseStatus(websocket, &code, words, sizeof words - 1, &length) !=
          NO_ERROR || length >= sizeof words)
        length = 0;
      words[length] = 0;
      bool asked;
      {
        std::lock_guard<std::mutex> hold(link->lock);
        asked = link->closeAsked;
      }
      fail(link, asked ? "closed" : length ? words : "closed by the relay");
      if (!asked) WinHttpWebSocketShutdown(websocket, WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS, 0, 0);
      break;
    } else {
      // The relay and the game speak binary only: text is not from one of ours.
      shutDown(link, websocket, CLOSE_UNSUPPORTED_DATA, "the relay sent a text message");
      break;
    }
  }
  letGo(link, &link->receiverDone);
}

// The sender: writes the queued messages once the link is open; when the game closes the
// link, the rest of the queue and then the close.
void sendLoop(NetworkLink* link) {
  std::unique_lock<std::mutex> hold(link->lock);
  for (;;) {
    link->changed.wait(hold, [link] {
      return link->state == NETWORK_CLOSED ||
             (link->state == NETWORK_CONNECTING && link->closeAsked) ||
             (link->state == NETWORK_OPEN && (!link->toSend.empty() || link->closeAsked));
    });
    HINTERNET websocket = link->websocket;
    if (link->state != NETWORK_OPEN || link->toSend.empty()) {
      // Closed by the game, or given up on this side (a message too large to send, a send
      // that failed): the relay is told, and answers with its own close, which ends the
      // receiver's wait. (A close the relay began, the receiver answered.)
      USHORT code = link->closeAsked ? WINHTTP_WEB_SOCKET_SUCCESS_CLOSE_STATUS
                                     : WINHTTP_WEB_SOCKET_ABORTED_CLOSE_STATUS;
      hold.unlock();
      if (websocket) WinHttpWebSocketShutdown(websocket, code, 0, 0);
      hold.lock();
      break;
    }
    std::vector<uint8_t> message = std::move(link->toSend.front());
    link->toSend.pop_front();
    hold.unlock();
    static uint8_t nothing;
    DWORD error = WinHttpWebSocketSend(websocket, WINHTTP_WEB_SOCKET_BINARY_MESSAGE_BUFFER_TYPE,
                                       message.empty() ? &nothing : message.data(),
                                       static_cast<DWORD>(message.size()));
    if (error) fail(link, describe(error));
    hold.lock();
  }
  hold.unlock();
  letGo(link, &link->senderDone);
}

void closeHandles(NetworkLink* link) {
  HINTERNET websocket;
  {
    std::lock_guard<std::mutex> hold(link->lock);
    link->handlesClosed = true;
    websocket = link->websocket;
    link->websocket = 0;
  }
  // Closing a handle ends a call blocked on it in the other threads.
  if (websocket) WinHttpCloseHandle(websocket);
  if (link->request) WinHttpCloseHandle(link->request);
  if (link->connection) WinHttpCloseHandle(link->connection);
  if (link->session) WinHttpCloseHandle(link->session);
}

}  // namespace

NetworkHandle networkOpen(const char* url) {
  NetworkLink* link = new NetworkLink;
  if (!parseNetworkAddress(url, &link->address)) {
    delete link;
    return 0;
  }
  // The address holds nothing but ASCII.
  for (size_t i = 0; i < sizeof link->host / sizeof link->host[0]; i++)
    link->host[i] = static_cast<wchar_t>(link->address.host[i]);
  for (size_t i = 0; i < sizeof link->path / sizeof link->path[0]; i++)
    link->path[i] = static_cast<wchar_t>(link->address.path[i]);
  // None of these three touches the network: that starts on the receiver's thread.
  link->session = WinHttpOpen(L"Vask Light Cycles", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                              WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (link->session)
    link->connection = WinHttpConnect(link->session, link->host, link->address.port, 0);
  if (link->connection)
    link->request = WinHttpOpenRequest(link->connection, L"GET", link->path, 0, WINHTTP_NO_REFERER,
                                       WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
  if (!link->request) {
    closeHandles(link);
    delete link;
    return 0;
  }
  void (*loops[])(NetworkLink*) = {receiveLoop, sendLoop};
  for (auto loop : loops) {
    {
      std::lock_guard<std::mutex> hold(link->lock);
      link->holders++;
    }
    try {
      std::thread(loop, link).detach();
    } catch (const std::exception&) {
      // No thread: the link ends, and is freed once a thread already started lets go.
      fail(link, "out of threads");
      closeHandles(link);
      {
        std::lock_guard<std::mutex> hold(link->lock);
        link->holders--;
      }
      letGo(link, 0);
      return 0;
    }
  }
  return link;
}

int networkState(NetworkHandle link) {
  if (!link) return NETWORK_CLOSED;
  std::lock_guard<std::mutex> hold(link->lock);
  return link->state;
}

bool networkSend(NetworkHandle link, const void* data, size_t size) {
  if (!link || (!data && size)) return false;
  std::lock_guard<std::mutex> hold(link->lock);
  if (link->state == NETWORK_CLOSED) return false;
  if (size > NETWORK_MESSAGE_LIMIT) {
    link->state = NETWORK_CLOSED;
    link->reason = "a message to send was too large";
    link->changed.notify_all();
    return false;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  link->toSend.emplace_back(bytes, bytes + size);
  link->changed.notify_all();
  return true;
}

bool networkReceive(NetworkHandle link, const uint8_t** data, size_t* size) {
  return link && handOutOldest(link->received, &link->lock, link->handedOut, data, size);
}

const char* networkCloseReason(NetworkHandle link) {
  if (!link) return "";
  std::lock_guard<std::mutex> hold(link->lock);
  return link->state == NETWORK_CLOSED ? link->reason.c_str() : "";
}

void networkClose(NetworkHandle link) {
  if (!link) return;
  {
    // The sender writes what is queued and the close; the receiver ends on the relay's
    // answer. Whatever is still blocked after CLOSE_TIME is left to end when its handle is
    // closed, or when the relay answers at last, and frees the link then.
    std::unique_lock<std::mutex> hold(link->lock);
    link->closeAsked = true;
    link->changed.notify_all();
    link->changed.wait_for(hold, CLOSE_TIME, [link] {
      return link->senderDone && (link->receiverDone || link->state == NETWORK_CONNECTING);
    });
  }
  fail(link, "closed");
  closeHandles(link);
  letGo(link, 0);
}
