#include "relay/relay_programs.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <functional>

extern char** environ;

namespace relay_test {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

bool RelayProcess::startProgram(const char* program, std::vector<std::string> args) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  int rc = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  out = pipeFds[0];
  if (rc != 0) {
    pid = -1;
    return false;
  }
  std::string line;
  auto deadline = std::chrono::steady_clock::now() + HANG;
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd p = {out, POLLIN, 0};
    if (poll(&p, 1, 1000) <= 0) continue;
    char c;
    if (read(out, &c, 1) != 1) break;
    line += c;
  }
  const char prefix[] = "listening on 127.0.0.1:";
  if (line.compare(0, strlen(prefix), prefix) != 0) {
    ADD_FAILURE() << "first line: '" << line << "'";
    return false;
  }
  port = static_cast<unsigned>(atoi(line.c_str() + strlen(prefix)));
  return port > 0;
}

int RelayProcess::terminate() {
  if (pid <= 0) return -1;
  kill(pid, SIGTERM);
  auto deadline = std::chrono::steady_clock::now() + HANG;
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    usleep(20000);
  }
  return -1;
}

RelayProcess::~RelayProcess() {
  if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  if (out >= 0) close(out);
}

// Each client runs its operations on an io_context of its own, one at a time.
struct Client::Link {
  asio::io_context io;
  websocket::stream<tcp::socket> ws{io};
  beast::flat_buffer buffer;
  Bytes raw;  // the last message, which a welcome's log points into

  // Runs one asynchronous operation to its end or the deadline.
  beast::error_code within(const std::function<void(std::function<void(beast::error_code)>)>& start) {
    bool done = false;
    beast::error_code result;
    start([&](beast::error_code ec) {
      result = ec;
      done = true;
    });
    io.restart();
    io.run_for(HANG);
    if (!done) {
      ADD_FAILURE() << "the relay did not answer in time";
      beast::error_code ignored;
      ws.next_layer().close(ignored);
      io.restart();
      io.run();
      return asio::error::timed_out;
    }
    return result;
  }
};

Client::Client() : link(new Link) {}
Client::~Client() = default;

ConnectOutcome Client::connect(unsigned port, const std::string& origin, const std::string& path) {
  tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port));
  websocket::stream<tcp::socket>& ws = link->ws;
  beast::error_code ec = link->within([&](auto done) { ws.next_layer().async_connect(endpoint, done); });
  if (ec) return NOT_CONNECTED;
  if (!origin.empty())
    ws.set_option(websocket::stream_base::decorator(
        [origin](websocket::request_type& request) { request.set(beast::http::field::origin, origin); }));
  ws.binary(true);
  ec = link->within([&](auto done) { ws.async_handshake("127.0.0.1", path, done); });
  if (ec == websocket::error::upgrade_declined) return UPGRADE_DECLINED;
  return ec ? NOT_CONNECTED : CONNECTED;
}

void Client::send(const Bytes& bytes) {
  EXPECT_FALSE(link->within([&](auto done) {
    link->ws.async_write(asio::buffer(bytes), [done](beast::error_code ec, size_t) { done(ec); });
  }));
}

bool Client::receive(RelayMessage* message) {
  link->buffer.clear();
  beast::error_code ec = link->within([&](auto done) {
    link->ws.async_read(link->buffer, [done](beast::error_code e, size_t) { done(e); });
  });
  if (ec) return false;
  auto data = link->buffer.data();
  link->raw.assign(static_cast<const uint8_t*>(data.data()),
                   static_cast<const uint8_t*>(data.data()) + data.size());
  EXPECT_TRUE(readRelayMessage(link->raw.data(), link->raw.size(), message)) << "unreadable message";
  return true;
}

void Client::bundlesThrough(uint32_t step, std::vector<Bytes>& bundles) {
  RelayMessage m;
  while (bundles.size() <= step) {
    ASSERT_TRUE(receive(&m)) << "connection lost before step " << step;
    ASSERT_EQ(m.type, MSG_BUNDLE);
    ASSERT_EQ(m.step, bundles.size());
    Bytes one;
    writeBundle(one, m.bundle);
    bundles.push_back(one);
  }
}

}  // namespace relay_test
