// What the relay's end-to-end tests share: vask-relay as a child process, and a WebSocket
// client whose every operation runs to its end or a generous deadline (a hang fails, slowness
// never does). The client's WebSocket code is built once, in relay_programs.cpp: Beast's
// templates are the costliest thing these tests compile.
#pragma once
#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "protocol/protocol.h"

namespace relay_test {

// Long enough for any machine, however loaded: only a hang runs past it.
const auto HANG = std::chrono::seconds(30);

// vask-relay as a child process, its stdout read for the port.
struct RelayProcess {
  pid_t pid = -1;
  int out = -1;
  unsigned port = 0;

  // vask-relay with these arguments.
  bool start(std::vector<std::string> args) { return startProgram(VASK_RELAY_PATH, std::move(args)); }
  // A program that prints "listening on 127.0.0.1:PORT" first, as vask-relay does.
  bool startProgram(const char* program, std::vector<std::string> args);
  // SIGTERM, then the exit status (-1 for none in time or a signal).
  int terminate();
  ~RelayProcess();
};

// How a connection attempt ended.
enum ConnectOutcome { CONNECTED, UPGRADE_DECLINED, NOT_CONNECTED };

// A WebSocket client whose every operation runs with a deadline.
class Client {
 public:
  Client();
  ~Client();
  // A WebSocket to 127.0.0.1:port at `path`, from a page of `origin` when one is given.
  ConnectOutcome connect(unsigned port, const std::string& origin = "", const std::string& path = "/");
  void send(const Bytes& bytes);
  // The next message; false once the relay closed the connection. The message may point into
  // the client (a welcome's log), until its next receive.
  bool receive(RelayMessage* message);
  // Bundles until the one for `step`, as bytes of the log.
  void bundlesThrough(uint32_t step, std::vector<Bytes>& bundles);

 private:
  struct Link;
  std::unique_ptr<Link> link;
};

}  // namespace relay_test
