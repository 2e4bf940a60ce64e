// A TCP proxy on loopback that holds everything it carries for a while, for a network's
// round trip where the kernel has no netem: each chunk read from one side is written to the
// other DELAY_MS later, in the order it came, in each direction (half the round trip each
// way). An end of stream is passed on just as late. One thread, epoll; it ends on SIGTERM or
// SIGINT, or after --seconds.
//
// Usage: vask_bench_delay_proxy --to PORT --delay-ms MS [--seconds S]
// Listens on 127.0.0.1 at a free port and prints "listening on 127.0.0.1:PORT" first, then
// passes every connection on to 127.0.0.1:PORT.
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

volatile sig_atomic_t stopping = 0;

int64_t nowNs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct Chunk {
  int64_t due;
  std::string bytes;  // empty: the end of the stream
};

// One direction of one connection: what was read from `from`, waiting to go to `to`.
struct Flow {
  int from = -1, to = -1;
  std::deque<Chunk> waiting;
  bool ended = false;     // `from` reached its end
  bool passedEnd = false;  // ... and `to` has been told
};

struct Pair {
  int client = -1, server = -1;
  Flow up, down;  // client to server, server to client
  bool closed = false;
};

int64_t delayNs = 0;
int epollFd = -1;

void watch(int fd, void* what) {
  epoll_event e = {};
  e.events = EPOLLIN;
  e.data.ptr = what;
  epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &e);
}

// Tags telling which side of a pair became readable.
struct Side {
  Pair* pair;
  bool client;
};

void closePair(Pair& p) {
  if (p.closed) return;
  p.closed = true;
  close(p.client);
  close(p.server);
}

// Writes what is due; false when the pair is gone.
bool pass(Pair& p, Flow& f, int64_t now) {
  while (!f.waiting.empty() && f.waiting.front().due <= now) {
    Chunk& c = f.waiting.front();
    if (c.bytes.empty()) {
      shutdown(f.to, SHUT_WR);
      f.passedEnd = true;
      f.waiting.pop_front();
      continue;
    }
    ssize_t n = send(f.to, c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EAGAIN) return true;  // tried again on the next pass
    if (n <= 0) {
      closePair(p);
      return false;
    }
    c.bytes.erase(0, size_t(n));
    if (c.bytes.empty()) f.waiting.pop_front();
  }
  if (p.up.passedEnd && p.down.passedEnd) closePair(p);
  return true;
}

void readSide(Pair& p, bool fromClient) {
  Flow& f = fromClient ? p.up : p.down;
  char buffer[65536];
  ssize_t n = recv(f.from, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n < 0 && errno == EAGAIN) return;
  if (n < 0) return closePair(p);
  if (n == 0) {
    if (!f.ended) {
      f.ended = true;
      f.waiting.push_back({nowNs() + delayNs, std::string()});
      epoll_ctl(epollFd, EPOLL_CTL_DEL, f.from, nullptr);
    }
    return;
  }
  f.waiting.push_back({nowNs() + delayNs, std::string(buffer, size_t(n))});
}

}  // namespace

int main(int argc, char** argv) {
  int target = 0;
  double delayMs = -1, seconds = 3600;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--to") target = atoi(argv[i + 1]);
    else if (flag == "--delay-ms") delayMs = atof(argv[i + 1]);
    else if (flag == "--seconds") seconds = atof(argv[i + 1]);
    else {
      fprintf(stderr, "delay proxy: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  if (target <= 0 || target > 65535 || delayMs < 0 || seconds <= 0) {
    fprintf(stderr, "usage: vask_bench_delay_proxy --to PORT --delay-ms MS [--seconds S]\n");
    return 2;
  }
  delayNs = int64_t(delayMs * 1e6);
  signal(SIGPIPE, SIG_IGN);
  struct sigaction stop = {};
  stop.sa_handler = [](int) { stopping = 1; };
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);

  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 64) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
    perror("delay proxy: listen");
    return 1;
  }
  printf("listening on 127.0.0.1:%u\n", unsigned(ntohs(a.sin_port)));
  fflush(stdout);

  epollFd = epoll_create1(0);
  watch(listener, nullptr);
  std::vector<std::unique_ptr<Pair>> pairs;
  std::vector<std::unique_ptr<Side>> sides;
  int64_t endAt = nowNs() + int64_t(seconds * 1e9);
  while (!stopping && nowNs() < endAt) {
    // Wake for the earliest chunk due, or within a millisecond when a write waits for room.
    int64_t now = nowNs(), next = now + 100000000;
    for (auto& p : pairs) {
      if (p->closed) continue;
      for (Flow* f : {&p->up, &p->down})
        if (!f->waiting.empty()) next = std::min(next, std::max(f->waiting.front().due, now));
    }
    int timeoutMs = int((next - now + 999999) / 1000000);
    epoll_event events[64];
    int n = epoll_wait(epollFd, events, 64, timeoutMs);
    for (int i = 0; i < n; ++i) {
      if (!events[i].data.ptr) {
        int client = accept(listener, nullptr, nullptr);
        if (client < 0) continue;
        int server = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(uint16_t(target));
        if (connect(server, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
          close(client);
          close(server);
          continue;
        }
        int one = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto p = std::make_unique<Pair>();
        p->client = client;
        p->server = server;
        p->up.from = client;
        p->up.to = server;
        p->down.from = server;
        p->down.to = client;
        sides.push_back(std::make_unique<Side>(Side{p.get(), true}));
        watch(client, sides.back().get());
        sides.push_back(std::make_unique<Side>(Side{p.get(), false}));
        watch(server, sides.back().get());
        pairs.push_back(std::move(p));
        continue;
      }
      Side& s = *static_cast<Side*>(events[i].data.ptr);
      if (!s.pair->closed) readSide(*s.pair, s.client);
    }
    now = nowNs();
    for (auto& p : pairs)
      if (!p->closed && pass(*p, p->up, now)) pass(*p, p->down, now);
  }
  for (auto& p : pairs) closePair(*p);
  close(listener);
  return 0;
}
