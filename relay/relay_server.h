// The relay on the network: WebSocket connections over Boost.Beast, one io_context on one
// thread, a timer for each room. What the messages mean is RelayCore's business; this
// carries out its effects and keeps slow, silent or unwelcome clients from holding it up.
#pragma once
#include <stdint.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "relay/lateness.h"
#include "relay/relay_core.h"

namespace relay {

struct ServerOptions {
  std::string host = "127.0.0.1";
  uint16_t port = 8765;
  // Page origins allowed to open a WebSocket; empty: any. A request without an Origin
  // header (a desktop client) is always allowed.
  std::vector<std::string> allowedOrigins;
  RelayLimits limits;
  // Where to append how late bundles left (LatenessRecord::line()), at each writeStats()
  // and at stop(); empty: not measured.
  std::string statsFile;
};

class Session;

class RelayServer {
 public:
  // Binds and listens at once (throws boost::system::system_error when it cannot).
  RelayServer(boost::asio::io_context& io, const ServerOptions& options);
  ~RelayServer();
  boost::asio::ip::tcp::endpoint localEndpoint() const;
  void start();
  // Stops accepting, stops the rooms and closes every connection: io.run() then returns.
  void stop();
  // Appends the lateness of the bundles since the last call (or the start) to the stats
  // file, and starts counting afresh.
  void writeStats();

  // Sessions' side.
  void received(ConnectionId id, const uint8_t* data, size_t size, bool binary);
  void ended(ConnectionId id);
  bool originAllowed(const std::string& origin) const;
  void requestPath(ConnectionId id, const std::string& path) { core_.requestPath(id, path); }
  const RelayLimits& limits() const { return options_.limits; }

 private:
  struct RoomClock {
    explicit RoomClock(boost::asio::io_context& io) : timer(io) {}
    boost::asio::steady_timer timer;
    std::chrono::steady_clock::time_point start;
    uint64_t ticks = 0;  // made so far; tick n is due at start + (n + 1) / 60 s
  };

  void acceptNext();
  void apply(Effects& effects);
  void scheduleTick(uint64_t roomId);
  void onTick(uint64_t roomId);
  uint64_t nowMs() const;

  boost::asio::io_context& io_;
  ServerOptions options_;
  boost::asio::ip::tcp::acceptor acceptor_;
  RelayCore core_;
  std::unordered_map<ConnectionId, std::weak_ptr<Session>> sessions_;
  std::map<uint64_t, std::unique_ptr<RoomClock>> clocks_;
  LatenessRecord lateness_;
  ConnectionId nextId_ = 1;
  bool stopped_ = false;
};

}  // namespace relay
