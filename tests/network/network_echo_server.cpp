// A WebSocket relay stand-in for the network layer's tests, on 127.0.0.1 at a port the
// system picks. It runs the test program it is given with the relay's address in
// VASK_ECHO_URL and the address of a port nothing listens on in VASK_REFUSED_URL, and ends
// with the program's status:
//   network_echo_server PROGRAM [ARGS...]
// (CMake runs each network test through it, as it runs the window tests through Xvfb; the
// Windows build runs Wine through it.)
// Every binary message comes back as it went, except these commands, which make the relay
// misbehave on purpose:
//   !big N        a message of N bytes (byte i is i * 7 % 256)
//   !frag N F     the same N bytes sent as fragments of F bytes
//   !text         a text message
//   !close WORDS  closes the connection with WORDS as the reason
//   !drop         drops the TCP connection without a close
//   !keep WORDS   remembers WORDS, from any connection
//   !kept         one message: what was remembered, one per line, in order; then forgets it
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <errno.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

extern char** environ;

namespace {

std::mutex keptLock;
std::string kept;

std::vector<uint8_t> pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; i++) bytes[i] = static_cast<uint8_t>(i * 7 % 256);
  return bytes;
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, strlen(prefix), prefix) == 0;
}

void serve(tcp::socket connection) {
  try {
    websocket::stream<tcp::socket> ws(std::move(connection));
    ws.read_message_max(64 * 1024 * 1024);
    ws.accept();
    for (;;) {
      beast::flat_buffer buffer;
      ws.read(buffer);
      std::string text = beast::buffers_to_string(buffer.data());
      ws.binary(true);
      if (startsWith(text, "!big ")) {
        ws.write(asio::buffer(pattern(strtoul(text.c_str() + 5, 0, 10))));
      } else if (startsWith(text, "!frag ")) {
        char* rest;
        size_t size = strtoul(text.c_str() + 6, &rest, 10);
        size_t piece = strtoul(rest, 0, 10);
        std::vector<uint8_t> bytes = pattern(size);
        if (piece == 0) piece = 1;
        for (size_t at = 0; at < size || at == 0; at += piece) {
          size_t n = size - at < piece ? size - at : piece;
          ws.write_some(at + n >= size, asio::buffer(bytes.data() + at, n));
          if (at + n >= size) break;
        }
      } else if (text == "!text") {
        ws.text(true);
        ws.write(asio::buffer(std::string("text is not ours")));
      } else if (startsWith(text, "!close ")) {
        ws.close(websocket::close_reason(websocket::close_code::normal, text.substr(7)));
        for (;;) ws.read(buffer);  // until the client's answer ends it
      } else if (text == "!drop") {
        ws.next_layer().close();
        return;
      } else if (startsWith(text, "!keep ")) {
        std::lock_guard<std::mutex> hold(keptLock);
        kept += text.substr(6) + "\n";
      } else if (text == "!kept") {
        std::string all;
        {
          std::lock_guard<std::mutex> hold(keptLock);
          all.swap(kept);
        }
        ws.write(asio::buffer(all));
      } else {
        ws.write(buffer.data());
      }
    }
  } catch (const std::exception&) {
    // The client went: so does this connection.
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: network_echo_server PROGRAM [ARGS...]\n");
    return 2;
  }
  asio::io_context io;
  const asio::ip::address loopback = asio::ip::make_address("127.0.0.1");
  tcp::acceptor acceptor(io, tcp::endpoint(loopback, 0));
  unsigned short port = acceptor.local_endpoint().port();
  // A port that was just free: bound and let go, so a connection there is refused.
  unsigned short refusedPort;
  {
    tcp::acceptor released(io, tcp::endpoint(loopback, 0));
    refusedPort = released.local_endpoint().port();
  }
  std::string echoUrl = "ws://127.0.0.1:" + std::to_string(port) + "/echo";
  std::string refusedUrl = "ws://127.0.0.1:" + std::to_string(refusedPort) + "/";
  setenv("VASK_ECHO_URL", echoUrl.c_str(), 1);
  setenv("VASK_REFUSED_URL", refusedUrl.c_str(), 1);

  std::thread([&acceptor, &io] {
    for (;;) {
      tcp::socket connection(io);
      boost::system::error_code error;
      acceptor.accept(connection, error);
      if (error) continue;
      std::thread(serve, std::move(connection)).detach();
    }
  }).detach();

  pid_t child;
  if (posix_spawnp(&child, argv[1], 0, 0, argv + 1, environ) != 0) {
    fprintf(stderr, "network_echo_server: cannot run %s\n", argv[1]);
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) _exit(127);
  }
  // Connections may still be served: the process ends without waiting for them.
  fflush(stdout);
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}
