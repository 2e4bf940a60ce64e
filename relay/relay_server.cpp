// Sockets, handshakes, queues and room timers for RelayCore.
#include "relay/relay_server.h"

#include <stdio.h>

#include <algorithm>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <deque>
#include <random>
#include <utility>

namespace relay {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using error_code = beast::error_code;

namespace {

// Room codes are what keeps a room private: each one straight from the system's source.
uint64_t systemRandomBits() {
  static std::random_device device;
  uint64_t high = device();
  return high << 32 | device();
}

// Longer than any protocol message, so an oversized one reaches RelayCore and is refused in
// words; far longer ones Beast refuses itself.
const size_t WEBSOCKET_MESSAGE_MAX = 4096;
const unsigned HTTP_HEADER_MAX = 8192;

}  // namespace

// One client: the HTTP upgrade, then WebSocket messages in and a queue of messages out.
class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(RelayServer& server, ConnectionId id, tcp::socket socket)
      : server_(server), id_(id), ws_(std::move(socket)) {}

  void start() {
    parser_.header_limit(HTTP_HEADER_MAX);
    parser_.body_limit(0);
    beast::get_lowest_layer(ws_).expires_after(std::chrono::seconds(server_.limits().handshakeSeconds));
    http::async_read(ws_.next_layer(), buffer_, parser_,
                     beast::bind_front_handler(&Session::onRequest, shared_from_this()));
  }

  // Queues a message; closes the connection after it when `close`. A client that lets too
  // much pile up is dropped: the room never waits for anyone.
  void send(std::shared_ptr<const Bytes> message, bool close) {
    if (finished_ || closeQueued_) return;
    queuedBytes_ += message->size();
    queue_.push_back(std::move(message));
    closeQueued_ = close;
    const RelayLimits& limits = server_.limits();
    size_t maxMessages = size_t(limits.maxQueueSeconds) * limits.stepsPerSecond;
    if (queuedBytes_ > limits.maxQueueBytes || queue_.size() > maxMessages) {
      fprintf(stderr, "vask-relay: connection %llu dropped: it does not read what it is sent\n",
              static_cast<unsigned long long>(id_));
      return drop();
    }
    if (!writing_) writeNext();
  }

  // Ends the connection at once.
  void drop() {
    finish();
    error_code ignored;
    beast::get_lowest_layer(ws_).socket().shutdown(tcp::socket::shutdown_both, ignored);
    beast::get_lowest_layer(ws_).close();
  }

 private:
  void onRequest(error_code ec, size_t) {
    if (ec) return drop();
    const auto& request = parser_.get();
    if (!websocket::is_upgrade(request))
      return refuseHttp(http::status::upgrade_required, "vask-relay speaks WebSocket only\n");
    auto origin = request.find(http::field::origin);
    if (origin != request.end() && !server_.originAllowed(std::string(origin->value())))
      return refuseHttp(http::status::forbidden, "pages from this origin may not use this relay\n");
    server_.requestPath(id_, std::string(request.target()));
    // From here the WebSocket's own timeouts apply: the handshake's, then silence.
    beast::get_lowest_layer(ws_).expires_never();
    websocket::stream_base::timeout timeouts =
        websocket::stream_base::timeout::suggested(beast::role_type::server);
    timeouts.handshake_timeout = std::chrono::seconds(server_.limits().handshakeSeconds);
    timeouts.idle_timeout = std::chrono::seconds(server_.limits().silentSeconds);
    timeouts.keep_alive_pings = false;  // a client that says nothing at all is gone
    ws_.set_option(timeouts);
    ws_.set_option(websocket::stream_base::decorator([](websocket::response_type& response) {
      response.set(http::field::server, "vask-relay");
    }));
    ws_.read_message_max(WEBSOCKET_MESSAGE_MAX);
    ws_.binary(true);
    ws_.async_accept(request, beast::bind_front_handler(&Session::onAccept, shared_from_this()));
  }

  void refuseHttp(http::status status, const char* text) {
    response_.result(status);
    response_.version(11);
    response_.set(http::field::server, "vask-relay");
    response_.set(http::field::content_type, "text/plain");
    response_.keep_alive(false);
    response_.body() = text;
    response_.prepare_payload();
    http::async_write(ws_.next_layer(), response_,
                      [self = shared_from_this()](error_code, size_t) { self->drop(); });
  }

  void onAccept(error_code ec) {
    if (ec) return drop();
    readNext();
  }

  void readNext() {
    ws_.async_read(buffer_, beast::bind_front_handler(&Session::onRead, shared_from_this()));
  }

  void onRead(error_code ec, size_t) {
    if (ec) return drop();
    auto data = buffer_.data();
    server_.received(id_, static_cast<const uint8_t*>(data.data()), data.size(), ws_.got_binary());
    buffer_.consume(buffer_.size());
    if (!finished_) readNext();
  }

  void writeNext() {
    if (finished_) return;
    if (queue_.empty()) {
      if (closeQueued_ && !closing_) {
        closing_ = true;
        ws_.async_close(websocket::close_code::policy_error,
                        [self = shared_from_this()](error_code) { self->drop(); });
      }
      return;
    }
    writing_ = true;
    ws_.async_write(asio::buffer(*queue_.front()),
                    beast::bind_front_handler(&Session::onWrite, shared_from_this()));
  }

  void onWrite(error_code ec, size_t) {
    writing_ = false;
    if (ec) return drop();
    queuedBytes_ -= queue_.front()->size();
    queue_.pop_front();
    writeNext();
  }

  // Tells the server once that this client is gone.
  void finish() {
    if (finished_) return;
    finished_ = true;
    server_.ended(id_);
  }

  RelayServer& server_;
  ConnectionId id_;
  websocket::stream<beast::tcp_stream> ws_;
  beast::flat_buffer buffer_;
  http::request_parser<http::empty_body> parser_;
  http::response<http::string_body> response_;
  std::deque<std::shared_ptr<const Bytes>> queue_;
  size_t queuedBytes_ = 0;
  bool writing_ = false;
  bool closeQueued_ = false;
  bool closing_ = false;
  bool finished_ = false;
};

RelayServer::RelayServer(asio::io_context& io, const ServerOptions& options)
    : io_(io), options_(options), acceptor_(io), core_(options.limits, systemRandomBits) {
  tcp::endpoint endpoint(asio::ip::make_address(options.host), options.port);
  acceptor_.open(endpoint.protocol());
  acceptor_.set_option(asio::socket_base::reuse_address(true));
  acceptor_.bind(endpoint);
  acceptor_.listen(asio::socket_base::max_listen_connections);
}

RelayServer::~RelayServer() = default;

tcp::endpoint RelayServer::localEndpoint() const { return acceptor_.local_endpoint(); }

void RelayServer::start() { acceptNext(); }

void RelayServer::stop() {
  if (stopped_) return;
  stopped_ = true;
  writeStats();
  error_code ignored;
  acceptor_.close(ignored);
  for (auto& clock : clocks_) clock.second->timer.cancel();
  clocks_.clear();
  std::vector<std::shared_ptr<Session>> open;
  for (auto& s : sessions_)
    if (auto session = s.second.lock()) open.push_back(session);
  for (auto& session : open) session->drop();
}

void RelayServer::writeStats() {
  if (options_.statsFile.empty()) return;
  if (FILE* f = fopen(options_.statsFile.c_str(), "a")) {
    fprintf(f, "lateness %s\n", lateness_.line().c_str());
    fclose(f);
  } else {
    fprintf(stderr, "vask-relay: cannot write %s\n", options_.statsFile.c_str());
  }
  lateness_.clear();
}

void RelayServer::acceptNext() {
  acceptor_.async_accept([this](error_code ec, tcp::socket socket) {
    if (stopped_) return;
    if (!ec) {
      error_code addressError;
      tcp::endpoint remote = socket.remote_endpoint(addressError);
      ConnectionId id = nextId_++;
      // Over a connection limit the socket just closes: nothing has been said over it yet.
      if (!addressError && core_.connect(id, remote.address().to_string())) {
        auto session = std::make_shared<Session>(*this, id, std::move(socket));
        sessions_[id] = session;
        session->start();
      }
    }
    acceptNext();
  });
}

void RelayServer::received(ConnectionId id, const uint8_t* data, size_t size, bool binary) {
  Effects effects;
  core_.receive(id, data, size, binary, nowMs(), effects);
  apply(effects);
}

void RelayServer::ended(ConnectionId id) {
  sessions_.erase(id);
  core_.disconnect(id);
}

bool RelayServer::originAllowed(const std::string& origin) const {
  const auto& allowed = options_.allowedOrigins;
  return allowed.empty() || std::find(allowed.begin(), allowed.end(), origin) != allowed.end();
}

void RelayServer::apply(Effects& effects) {
  for (const std::string& note : effects.notes) fprintf(stderr, "vask-relay: %s\n", note.c_str());
  for (const Outgoing& out : effects.out) {
    auto s = sessions_.find(out.to);
    if (s == sessions_.end()) continue;
    if (auto session = s->second.lock()) session->send(out.message, out.close);
  }
  for (uint64_t roomId : effects.roomsClosed) {
    auto clock = clocks_.find(roomId);
    if (clock == clocks_.end()) continue;
    clock->second->timer.cancel();
    clocks_.erase(clock);
  }
  for (uint64_t roomId : effects.roomsOpened) {
    if (stopped_ || !core_.room(roomId)) continue;
    auto clock = std::make_unique<RoomClock>(io_);
    clock->start = std::chrono::steady_clock::now();
    clocks_[roomId] = std::move(clock);
    scheduleTick(roomId);
  }
}

void RelayServer::scheduleTick(uint64_t roomId) {
  RoomClock& clock = *clocks_.at(roomId);
  // Absolute deadlines: a late wake-up does not push the later ticks back.
  auto due = clock.start + std::chrono::nanoseconds((clock.ticks + 1) * 1000000000ull / options_.limits.stepsPerSecond);
  clock.timer.expires_at(due);
  clock.timer.async_wait([this, roomId](error_code ec) {
    if (!ec) onTick(roomId);
  });
}

void RelayServer::onTick(uint64_t roomId) {
  // A late wake-up makes every bundle that fell due, a few seconds' worth at a time so the
  // other rooms and connections get their turn between.
  const uint64_t mostAtOnce = 5ull * options_.limits.stepsPerSecond;
  auto now = std::chrono::steady_clock::now();
  for (uint64_t made = 0; made < mostAtOnce; ++made) {
    auto clock = clocks_.find(roomId);
    if (clock == clocks_.end()) return;  // the room ended
    RoomClock& c = *clock->second;
    auto due = c.start + std::chrono::nanoseconds((c.ticks + 1) * 1000000000ull / options_.limits.stepsPerSecond);
    if (due > now) break;
    c.ticks++;
    Effects effects;
    core_.tick(roomId, effects);
    apply(effects);
    // Handed to every connection (each write starts at once unless one is under way): how
    // long after its deadline the bundle left.
    if (!options_.statsFile.empty())
      lateness_.add(std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now() - due).count());
  }
  if (clocks_.count(roomId)) scheduleTick(roomId);
}

uint64_t RelayServer::nowMs() const {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

}  // namespace relay
