// vask-relay: where players meet to play together. Flags, signals and the event loop.
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/system/system_error.hpp>
#include <functional>
#include <string>

#include "relay/relay_server.h"

namespace {

const char USAGE[] =
    "Usage: vask-relay [OPTION]...\n"
    "Relays the inputs of Vask Light Cycles players who play together, over WebSocket.\n"
    "Prints 'listening on HOST:PORT' first; ends on SIGINT or SIGTERM.\n"
    "\n"
    "  --listen HOST:PORT              address to listen on (default 127.0.0.1:8765;\n"
    "                                  port 0 picks a free one; [::1]:PORT for IPv6)\n"
    "  --allow-origin ORIGIN           a web page origin allowed to connect, e.g.\n"
    "                                  https://example.org (repeatable; without any,\n"
    "                                  every origin is; requests with no Origin always are)\n"
    "  --max-rooms N                   rooms at once (default 1000)\n"
    "  --max-connections N             connections at once (default 4000)\n"
    "  --max-connections-per-address N connections at once from one address (default 64)\n"
    "  --join-attempts N               rooms hosted or joined from one address ...\n"
    "  --join-window SECONDS           ... within this time (defaults 10 in 10 s)\n"
    "  --input-burst N                 inputs a client may send ahead of one a step (default 8)\n"
    "  --max-log-steps N               steps a room may last (default 5184000: 24 hours)\n"
    "  --max-log-bytes N               bytes a room's log may reach (default 8323072)\n"
    "  --empty-room-seconds SECONDS    a room nobody is in ends after this (default 30)\n"
    "  --silent-seconds SECONDS        a client heard nothing from is dropped (default 60)\n"
    "  --handshake-seconds SECONDS     time to finish the WebSocket handshake (default 10)\n"
    "  --max-queue-bytes N             bytes waiting for a client before it is dropped\n"
    "                                  (default 16777216)\n"
    "  --max-queue-seconds SECONDS     bundles waiting for a client before it is dropped\n"
    "                                  (default 20)\n"
    "  --steps-per-second N            the rooms' pace (default 60; tests quicken it)\n"
    "  --stats FILE                    measure how late bundles leave their deadlines and\n"
    "                                  append a line to FILE at each SIGUSR1 (counting\n"
    "                                  afresh after it) and at the end\n"
    "  --help                          this text\n";

[[noreturn]] void usageError(const std::string& text) {
  fprintf(stderr, "vask-relay: %s\nTry 'vask-relay --help'.\n", text.c_str());
  exit(2);
}

uint32_t number(const char* flag, const char* text) {
  char* end = nullptr;
  errno = 0;
  unsigned long long value = strtoull(text, &end, 10);
  if (!*text || *end || errno || text[0] == '-' || value > 0xffffffffull)
    usageError(std::string(flag) + " needs a whole number, not '" + text + "'");
  return static_cast<uint32_t>(value);
}

uint32_t positive(const char* flag, const char* text) {
  uint32_t value = number(flag, text);
  if (value == 0) usageError(std::string(flag) + " must be at least 1");
  return value;
}

void parseListen(const std::string& text, relay::ServerOptions& options) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon + 1 == text.size()) usageError("--listen needs HOST:PORT");
  std::string host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  uint32_t port = number("--listen", text.substr(colon + 1).c_str());
  if (host.empty() || port > 65535) usageError("--listen needs HOST:PORT, not '" + text + "'");
  options.host = host;
  options.port = static_cast<uint16_t>(port);
}

relay::ServerOptions parseArguments(int argc, char** argv) {
  relay::ServerOptions options;
  relay::RelayLimits& l = options.limits;
  struct Flag {
    const char* name;
    uint32_t* value;
  };
  const Flag flags[] = {
      {"--max-rooms", &l.maxRooms},
      {"--max-connections", &l.maxConnections},
      {"--max-connections-per-address", &l.maxConnectionsPerAddress},
      {"--join-attempts", &l.joinAttempts},
      {"--join-window", &l.joinWindowSeconds},
      {"--input-burst", &l.inputBurst},
      {"--max-log-steps", &l.maxLogSteps},
      {"--max-log-bytes", &l.maxLogBytes},
      {"--empty-room-seconds", &l.emptyRoomSeconds},
      {"--silent-seconds", &l.silentSeconds},
      {"--handshake-seconds", &l.handshakeSeconds},
      {"--max-queue-bytes", &l.maxQueueBytes},
      {"--max-queue-seconds", &l.maxQueueSeconds},
      {"--steps-per-second", &l.stepsPerSecond},
  };
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      fputs(USAGE, stdout);
      exit(0);
    }
    // --flag VALUE or --flag=VALUE
    std::string name = arg, value;
    size_t equals = arg.find('=');
    if (equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    } else {
      if (i + 1 >= argc) usageError("unknown option or missing value: " + arg);
      value = argv[++i];
    }
    if (name == "--listen") {
      parseListen(value, options);
    } else if (name == "--stats") {
      if (value.empty()) usageError("--stats needs a file");
      options.statsFile = value;
    } else if (name == "--allow-origin") {
      if (value.empty()) usageError("--allow-origin needs an origin");
      options.allowedOrigins.push_back(value);
    } else {
      bool known = false;
      for (const Flag& f : flags)
        if (name == f.name) {
          *f.value = positive(f.name, value.c_str());
          known = true;
        }
      if (!known) usageError("unknown option " + name);
    }
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  relay::ServerOptions options = parseArguments(argc, argv);
  // A client gone mid-write must not end the relay.
  signal(SIGPIPE, SIG_IGN);
  boost::asio::io_context io(1);
  try {
    relay::RelayServer server(io, options);
    auto endpoint = server.localEndpoint();
    std::string address = endpoint.address().to_string();
    if (endpoint.address().is_v6()) address = "[" + address + "]";
    printf("listening on %s:%u\n", address.c_str(), static_cast<unsigned>(endpoint.port()));
    fflush(stdout);

    // SIGUSR1: the lateness so far to the stats file (the load bench marks its window so).
    boost::asio::signal_set statsSignal(io);
    std::function<void(const boost::system::error_code&, int)> onStatsSignal =
        [&](const boost::system::error_code& ec, int) {
          if (ec) return;
          server.writeStats();
          statsSignal.async_wait(onStatsSignal);
        };
    if (!options.statsFile.empty()) {
      statsSignal.add(SIGUSR1);
      statsSignal.async_wait(onStatsSignal);
    }
    boost::asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const boost::system::error_code& ec, int) {
      if (!ec) {
        server.stop();
        statsSignal.cancel();
      }
    });
    server.start();
    io.run();
  } catch (const boost::system::system_error& e) {
    fprintf(stderr, "vask-relay: cannot listen on %s:%u: %s\n", options.host.c_str(),
            static_cast<unsigned>(options.port), e.what());
    return 1;
  }
  return 0;
}
