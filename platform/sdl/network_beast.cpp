// The network layer on Boost.Beast's WebSocket client. Each link has a worker thread of its
// own running an io_context, which owns the socket and everything Beast does with it; the
// game's thread only ever touches the two queues, the state and the close reason, under
// the link's lock, and hands work to the worker by posting to its io_context.
// Beast is the slowest part of the game to compile: it stays in this one file.
#include "platform/network.h"

#include "platform/shared/network_address.h"
#include "platform/shared/network_inbox.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using boost::system::error_code;

struct NetworkLink {
  NetworkAddress address;

  // The worker's. The io_context is declared first so it goes last: the socket, resolver
  // and timer deregister from it as they go.
  asio::io_context io;
  tcp::resolver resolver{io};
  websocket::stream<beast::tcp_stream> socket{io};
  asio::steady_timer closeDeadline{io};
  beast::flat_buffer incoming;
  std::vector<uint8_t> outgoing;  // the message being written
  bool handshaken = false;
  bool writing = false;
  bool closeAsked = false;   // the game closed the link: send what is queued, then close
  bool closeSent = false;
  std::thread worker;

  // Shared with the game's thread.
  std::mutex lock;
  std::deque<std::vector<uint8_t>> received;
  std::deque<std::vector<uint8_t>> toSend;
  int state = NETWORK_CONNECTING;
  std::string reason;  // set once, with state becoming NETWORK_CLOSED; never changed after

  // The game's: the message networkReceive handed out last.
  std::vector<uint8_t> handedOut;
};

namespace {

// How long a connection attempt may take before the link gives up, and how long closing
// waits for the queued messages and the relay's answer to the close.
constexpr std::chrono::seconds CONNECT_TIME{15};
constexpr std::chrono::milliseconds CLOSE_TIME{500};

// Closes the link for good, the first reason given being the one the game reads. Runs on
// the worker (or on the game's thread before the worker exists).
void fail(NetworkLink* link, const std::string& why) {
  {
    std::lock_guard<std::mutex> hold(link->lock);
    if (link->state != NETWORK_CLOSED) {
      link->state = NETWORK_CLOSED;
      link->reason = why;
    }
  }
  // Whatever is still under way ends with an error, and the worker's io_context runs out
  // of work.
  link->resolver.cancel();
  link->socket.next_layer().close();
  link->closeDeadline.cancel();
}

std::string describe(const error_code& error) {
  if (error == asio::error::connection_refused) return "connection refused";
  if (error == asio::error::host_not_found || error == asio::error::host_not_found_try_again)
    return "the relay's host was not found";
  if (error == beast::error::timeout || error == asio::error::timed_out) return "timed out";
  if (error == asio::error::connection_reset) return "connection reset by the relay";
  if (error == asio::error::eof) return "connection lost";
  if (error == asio::error::network_unreachable || error == asio::error::host_unreachable)
    return "the relay is unreachable";
  if (error == websocket::error::message_too_big) return "a message from the relay was too large";
  if (error == websocket::error::closed) return "closed by the relay";
  std::string words = error.message();
  if (!words.empty() && words[0] >= 'A' && words[0] <= 'Z') words[0] = char(words[0] - 'A' + 'a');
  return words.empty() ? "connection lost" : words;
}

void read(NetworkLink* link);
void pump(NetworkLink* link);

// The close handshake, once everything queued has been written.
void sendClose(NetworkLink* link) {
  link->closeSent = true;
  link->socket.async_close(websocket::close_code::normal,
                           [link](error_code) { fail(link, "closed"); });
}

// Writes the queued messages one at a time (Beast allows one write under way).
void pump(NetworkLink* link) {
  if (!link->handshaken || link->writing || link->closeSent) return;
  {
    std::lock_guard<std::mutex> hold(link->lock);
    if (link->state == NETWORK_CLOSED) return;
    if (!link->toSend.empty()) {
      link->outgoing = std::move(link->toSend.front());
      link->toSend.pop_front();
      link->writing = true;
    }
  }
  if (!link->writing) {
    if (link->closeAsked) sendClose(link);
    return;
  }
  link->socket.async_write(asio::buffer(link->outgoing), [link](error_code error, size_t) {
    link->writing = false;
    if (error) return fail(link, describe(error));
    pump(link);
  });
}

void read(NetworkLink* link) {
  link->socket.async_read(link->incoming, [link](error_code error, size_t) {
    if (error) {
      if (error == websocket::error::closed && !link->closeSent) {
        const websocket::close_reason& why = link->socket.reason();
        std::string text(why.reason.data(), why.reason.size());
        return fail(link, text.empty() ? "closed by the relay" : text);
      }
      return fail(link, link->closeSent ? std::string("closed") : describe(error));
    }
    // The relay and the game speak binary only: text is not from one of ours.
    if (!link->socket.got_binary()) return fail(link, "the relay sent a text message");
    const uint8_t* bytes = static_cast<const uint8_t*>(link->incoming.cdata().data());
    std::vector<uint8_t> message(bytes, bytes + link->incoming.size());
    link->incoming.consume(link->incoming.size());
    {
      std::lock_guard<std::mutex> hold(link->lock);
      if (link->state != NETWORK_OPEN) return;
      link->received.push_back(std::move(message));
    }
    read(link);
  });
}

void connect(NetworkLink* link) {
  link->resolver.async_resolve(
      link->address.host, std::to_string(link->address.port),
      [link](error_code error, tcp::resolver::results_type found) {
        if (error) return fail(link, describe(error));
        link->socket.next_layer().expires_after(CONNECT_TIME);
        link->socket.next_layer().async_connect(found, [link](error_code error,
                                                              const tcp::endpoint&) {
          if (error) return fail(link, describe(error));
          // From here on Beast's own timeouts: the handshake's, and a ping to a relay that
          // has gone quiet.
          link->socket.next_layer().expires_never();
          link->socket.set_option(
              websocket::stream_base::timeout::suggested(beast::role_type::client));
          link->socket.read_message_max(NETWORK_MESSAGE_LIMIT);
          link->socket.binary(true);
          link->socket.async_handshake(
              link->address.hostHeader, link->address.path, [link](error_code error) {
                if (error) return fail(link, describe(error));
                {
                  std::lock_guard<std::mutex> hold(link->lock);
                  if (link->state != NETWORK_CONNECTING) return;
                  link->state = NETWORK_OPEN;
                }
                link->handshaken = true;
                read(link);
                pump(link);
              });
        });
      });
}

// The game asked to close: what is queued still goes out, then the close handshake, all
// within CLOSE_TIME; a link not yet open has nothing to send and just ends.
void askClose(NetworkLink* link) {
  link->closeAsked = true;
  if (!link->handshaken) return fail(link, "closed");
  link->closeDeadline.expires_after(CLOSE_TIME);
  link->closeDeadline.async_wait([link](error_code error) {
    if (!error) fail(link, "closed");
  });
  pump(link);
}

}  // namespace

NetworkHandle networkOpen(const char* url) {
  NetworkLink* link = new NetworkLink;
  if (!parseNetworkAddress(url, &link->address)) {
    delete link;
    return 0;
  }
  connect(link);
  try {
    link->worker = std::thread([link] {
      try {
        link->io.run();
      } catch (const std::exception& e) {
        // Nothing in the handlers should throw but running out of memory: the link ends.
        fail(link, e.what());
        error_code ignored;
        link->io.restart();
        link->io.run(ignored);
      }
    });
  } catch (const std::exception&) {
    delete link;
    return 0;
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
  {
    std::lock_guard<std::mutex> hold(link->lock);
    if (link->state == NETWORK_CLOSED) return false;
    if (size > NETWORK_MESSAGE_LIMIT) {
      // The socket is the worker's to close.
      link->state = NETWORK_CLOSED;
      link->reason = "a message to send was too large";
      asio::post(link->io, [link] { fail(link, ""); });
      return false;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    link->toSend.emplace_back(bytes, bytes + size);
  }
  asio::post(link->io, [link] { pump(link); });
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
  // A worker that has already run out of work (the link failed) never runs this, and
  // has nothing left to close.
  asio::post(link->io, [link] { askClose(link); });
  link->worker.join();
  delete link;
}
