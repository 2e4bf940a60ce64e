// The relay under load: one vask-relay on one core, and rooms of four simulated players on
// the other, all over loopback. Each room is one client that HOSTs and three that JOIN
// with its code; every client takes a rider, sends an INPUT every few steps and a DIGEST
// every 60 (the same value from everyone in a room, as games that agree send). Over a
// measured window it reads the relay's CPU time (/proc/PID/stat) and, after it, its resident
// memory (/proc/PID/status) less the empty relay's; the relay itself records how late its
// bundles left their deadlines (--stats, the window marked with SIGUSR1).
//
// The clients are one thread and plain sockets under epoll, speaking just enough WebSocket
// (an upgrade, masked binary frames out, unmasked frames in) to stay far cheaper than the
// relay they load. Traffic goes to 127.0.0.1 only; the run is bounded and ends by itself.
//
// Usage: vask_bench_relay_load VASK_RELAY [--rooms N[,N...]] [--seconds S] [--relay-cpu C]
//        [--client-cpu C]
// Prints, for each room count (a fresh relay each), one line
// "result rooms N clients N seconds S cpu_percent ... rss_empty_kib ... rss_kib ...
//  cpu_per_room_percent ... kib_per_room ... p50_us ... p99_us ... max_us ... bundles ...
//  received ... behind ... refused ...".
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "protocol/protocol.h"

namespace {

const int PLAYERS = 4;        // a room's clients: one host, three joiners
const int INPUT_EVERY = 6;    // steps between a client's INPUTs (10 a second at 60 steps)
const double WARM_UP_S = 3.0;  // after the last welcome, before the window opens
const double SET_UP_LIMIT_S = 60.0;

double now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

[[noreturn]] void fail(const char* what) {
  fprintf(stderr, "relay load: %s\n", what);
  exit(1);
}

void pinTo(int cpu) {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  if (sched_setaffinity(0, sizeof set, &set) != 0) fail("cannot pin to the chosen core");
}

// The relay, pinned to its core, its first line read for the port.
struct Relay {
  pid_t pid = -1;
  unsigned port = 0;

  void start(const char* program, int cpu, const std::string& statsFile, const std::string& logFile,
             int rooms) {
    int fds[2];
    if (pipe(fds) != 0) fail("pipe");
    pid = fork();
    if (pid < 0) fail("fork");
    if (pid == 0) {
      pinTo(cpu);
      dup2(fds[1], 1);
      int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (log >= 0) dup2(log, 2);
      close(fds[0]);
      close(fds[1]);
      // All the clients come from 127.0.0.1: the per-address limits are opened up.
      std::string maxRooms = std::to_string(rooms + 10), maxConnections = std::to_string(rooms * PLAYERS + 100);
      execl(program, program, "--listen", "127.0.0.1:0", "--max-rooms", maxRooms.c_str(),
            "--max-connections", maxConnections.c_str(), "--max-connections-per-address",
            maxConnections.c_str(), "--join-attempts", "1000000", "--join-window", "1", "--stats",
            statsFile.c_str(), (char*)nullptr);
      _exit(127);
    }
    close(fds[1]);
    FILE* out = fdopen(fds[0], "r");
    char line[200] = {};
    if (!fgets(line, sizeof line, out)) fail("the relay said nothing");
    fclose(out);  // nothing more is printed on stdout
    const char prefix[] = "listening on 127.0.0.1:";
    if (strncmp(line, prefix, strlen(prefix)) != 0) fail("the relay did not say where it listens");
    port = static_cast<unsigned>(atoi(line + strlen(prefix)));
  }

  // utime + stime, seconds.
  double cpuSeconds() const {
    char path[64], text[1024] = {};
    snprintf(path, sizeof path, "/proc/%d/stat", pid);
    FILE* f = fopen(path, "r");
    if (!f || !fgets(text, sizeof text, f)) fail("cannot read the relay's /proc stat");
    fclose(f);
    const char* p = strrchr(text, ')');  // the name may hold spaces; the fields follow it
    unsigned long long utime = 0, stime = 0;
    // Fields 3..13 skipped, then utime (14) and stime (15).
    if (!p || sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2)
      fail("cannot read the relay's CPU times");
    return double(utime + stime) / sysconf(_SC_CLK_TCK);
  }

  long rssKib() const {
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", pid);
    FILE* f = fopen(path, "r");
    if (!f) fail("cannot read the relay's /proc status");
    long kib = -1;
    while (fgets(line, sizeof line, f))
      if (sscanf(line, "VmRSS: %ld kB", &kib) == 1) break;
    fclose(f);
    return kib;
  }

  int stop() {
    if (pid <= 0) return -1;
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 1000; ++i) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
    return -1;
  }
};

enum Stage { CONNECTING, UPGRADING, OPEN, CLOSED };

struct Client {
  int fd = -1;
  int room = 0;
  int seat = 0;  // 0 hosts
  Stage stage = CONNECTING;
  std::string in, out;
  bool welcomed = false;
  uint32_t steps = 0;  // bundles run: the welcome's log and every bundle since
  bool wantWrite = false;
};

struct RoomState {
  char code[ROOM_CODE_LENGTH];
  bool open = false;
};

class Load {
 public:
  Load(unsigned port, int rooms) : port_(port), rooms_(rooms) {
    epoll_ = epoll_create1(0);
    if (epoll_ < 0) fail("epoll");
    settings_ = {};
    settings_.riderCount = PLAYERS;
    for (int i = 0; i < PROTOCOL_RIDERS; ++i) settings_.riders[i].target = static_cast<uint8_t>((i + 1) % PLAYERS);
    clients_.resize(size_t(rooms) * PLAYERS);
    roomStates_.resize(rooms);
    for (int r = 0; r < rooms; ++r)
      for (int s = 0; s < PLAYERS; ++s) {
        Client& c = clients_[size_t(r) * PLAYERS + s];
        c.room = r;
        c.seat = s;
      }
  }
  ~Load() {
    for (Client& c : clients_)
      if (c.fd >= 0) close(c.fd);
    close(epoll_);
  }

  // Hosts every room (the joiners follow each host's welcome); true once all are welcomed.
  bool setUp(double limitS) {
    for (int r = 0; r < rooms_; ++r) open(clients_[size_t(r) * PLAYERS]);
    double deadline = now() + limitS;
    while (welcomed_ < clients_.size() && now() < deadline) poll(0.05);
    return welcomed_ == clients_.size();
  }

  void run(double seconds) {
    double until = now() + seconds;
    while (now() < until) poll(std::min(0.05, until - now()));
  }

  uint64_t received() const { return received_; }
  uint64_t refused() const { return refused_; }
  uint64_t lost() const { return lost_; }
  size_t welcomed() const { return welcomed_; }
  // Clients more than a second of bundles behind the most advanced one of their room: a
  // sign the clients, not the relay, fell behind.
  int behind() const {
    int n = 0;
    for (int r = 0; r < rooms_; ++r) {
      uint32_t most = 0;
      for (int s = 0; s < PLAYERS; ++s) most = std::max(most, clients_[size_t(r) * PLAYERS + s].steps);
      for (int s = 0; s < PLAYERS; ++s) n += clients_[size_t(r) * PLAYERS + s].steps + 60 < most;
    }
    return n;
  }

 private:
  void open(Client& c) {
    c.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (c.fd < 0) fail("socket (raise the open files limit)");
    int one = 1;
    setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port_));
    if (connect(c.fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS)
      fail("connect");
    c.stage = CONNECTING;
    epoll_event e = {};
    e.events = EPOLLIN | EPOLLOUT;
    e.data.ptr = &c;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, c.fd, &e);
    c.wantWrite = true;
  }

  void poll(double seconds) {
    epoll_event events[256];
    int n = epoll_wait(epoll_, events, 256, static_cast<int>(seconds * 1000));
    for (int i = 0; i < n; ++i) {
      Client& c = *static_cast<Client*>(events[i].data.ptr);
      if (c.stage == CLOSED) continue;
      if (events[i].events & (EPOLLERR | EPOLLHUP) && c.stage == CONNECTING) {
        lose(c);
        continue;
      }
      if (events[i].events & EPOLLOUT) writable(c);
      if (c.stage != CLOSED && events[i].events & EPOLLIN) readable(c);
    }
  }

  void writable(Client& c) {
    if (c.stage == CONNECTING) {
      int error = 0;
      socklen_t size = sizeof error;
      getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &size);
      if (error) return lose(c);
      c.stage = UPGRADING;
      // Any key will do: the answer's accept value is not checked.
      c.out += "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    }
    flush(c);
  }

  void flush(Client& c) {
    while (!c.out.empty()) {
      ssize_t n = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
      if (n < 0 && errno == EAGAIN) break;
      if (n <= 0) return lose(c);
      c.out.erase(0, size_t(n));
    }
    bool want = !c.out.empty();
    if (want != c.wantWrite) {
      epoll_event e = {};
      e.events = want ? uint32_t(EPOLLIN | EPOLLOUT) : uint32_t(EPOLLIN);
      e.data.ptr = &c;
      epoll_ctl(epoll_, EPOLL_CTL_MOD, c.fd, &e);
      c.wantWrite = want;
    }
  }

  // One binary frame, masked as a client's must be (with a zero key: the bytes go as they are).
  void sendMessage(Client& c, const Bytes& message) {
    char head[4] = {char(0x82), char(0x80 | message.size()), 0, 0};
    c.out.append(head, 2);
    c.out.append("\0\0\0\0", 4);
    c.out.append(reinterpret_cast<const char*>(message.data()), message.size());
    flush(c);
  }

  void readable(Client& c) {
    char buffer[65536];
    for (;;) {
      ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
      if (n > 0) {
        c.in.append(buffer, size_t(n));
        if (size_t(n) < sizeof buffer) break;
        continue;
      }
      if (n < 0 && errno == EAGAIN) break;
      return lose(c);
    }
    if (c.stage == UPGRADING) {
      size_t end = c.in.find("\r\n\r\n");
      if (end == std::string::npos) return;
      if (c.in.compare(0, 12, "HTTP/1.1 101") != 0) return lose(c);
      c.in.erase(0, end + 4);
      c.stage = OPEN;
      greet(c);
    }
    size_t at = 0;
    while (c.stage == OPEN) {
      if (c.in.size() - at < 2) break;
      const uint8_t* p = reinterpret_cast<const uint8_t*>(c.in.data()) + at;
      size_t avail = c.in.size() - at, head = 2;
      uint64_t length = p[1] & 0x7f;
      if (length == 126) {
        if (avail < 4) break;
        length = uint64_t(p[2]) << 8 | p[3];
        head = 4;
      } else if (length == 127) {
        if (avail < 10) break;
        length = 0;
        for (int i = 0; i < 8; ++i) length = length << 8 | p[2 + i];
        head = 10;
      }
      if (avail < head + length) break;
      int opcode = p[0] & 0x0f;
      if (opcode == 0x8) return lose(c);
      if (opcode == 0x2) message(c, p + head, size_t(length));
      at += head + size_t(length);
    }
    c.in.erase(0, at);
  }

  void greet(Client& c) {
    Bytes m;
    if (c.seat == 0) writeHost(m, 7000u + c.room, settings_);
    else writeJoin(m, roomStates_[c.room].code);
    sendMessage(c, m);
  }

  void message(Client& c, const uint8_t* data, size_t size) {
    if (size < 1) return;
    received_++;
    switch (data[0]) {
      case MSG_WELCOME: {
        if (!readRelayMessage(data, size, &scratch_)) fail("an unreadable welcome");
        c.steps = scratch_.welcome.steps;
        if (!c.welcomed) welcomed_++;
        c.welcomed = true;
        Bytes take;
        writeTake(take);
        sendMessage(c, take);
        if (c.seat == 0) {
          memcpy(roomStates_[c.room].code, scratch_.welcome.code, ROOM_CODE_LENGTH);
          for (int s = 1; s < PLAYERS; ++s) open(clients_[size_t(c.room) * PLAYERS + s]);
        }
        return;
      }
      case MSG_BUNDLE: {
        if (size < 5) return;
        c.steps++;
        // Spread over the steps: each client on a phase of its own.
        if ((c.steps + c.seat) % INPUT_EVERY == 0) {
          Bytes input;
          writeInput(input, c.steps, (c.steps / INPUT_EVERY) % 2 ? INPUT_LEFT : INPUT_RIGHT);
          sendMessage(c, input);
        }
        if (c.steps % DIGEST_PERIOD == 0) {
          Bytes digest;
          writeDigest(digest, c.steps, uint64_t(c.room) * 0x9e3779b97f4a7c15ull ^ c.steps);
          sendMessage(c, digest);
        }
        return;
      }
      case MSG_REFUSED:
        refused_++;
        return;
      default:
        return;
    }
  }

  void lose(Client& c) {
    if (c.stage == CLOSED) return;
    c.stage = CLOSED;
    lost_++;
    epoll_ctl(epoll_, EPOLL_CTL_DEL, c.fd, nullptr);
    close(c.fd);
    c.fd = -1;
  }

  unsigned port_;
  int rooms_;
  int epoll_;
  MatchSettings settings_;
  std::vector<Client> clients_;
  std::vector<RoomState> roomStates_;
  size_t welcomed_ = 0;
  uint64_t received_ = 0, refused_ = 0, lost_ = 0;
  RelayMessage scratch_;
};

std::string lastStatsLine(const std::string& file) {
  FILE* f = fopen(file.c_str(), "r");
  if (!f) return "";
  char line[256];
  std::string last;
  while (fgets(line, sizeof line, f)) last = line;
  fclose(f);
  return last;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) fail("usage: vask_bench_relay_load VASK_RELAY [--rooms N[,N...]] [--seconds S] "
                     "[--relay-cpu C] [--client-cpu C]");
  const char* program = argv[1];
  std::vector<int> roomCounts;
  double seconds = 10;
  int relayCpu = 0, clientCpu = 1;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--rooms") {
      for (char* p = argv[i + 1]; *p;) {
        roomCounts.push_back(static_cast<int>(strtol(p, &p, 10)));
        if (*p == ',') ++p;
        else if (*p) fail("--rooms takes numbers separated by commas");
      }
    } else if (flag == "--seconds") {
      seconds = atof(argv[i + 1]);
    } else if (flag == "--relay-cpu") {
      relayCpu = atoi(argv[i + 1]);
    } else if (flag == "--client-cpu") {
      clientCpu = atoi(argv[i + 1]);
    } else {
      fail("unknown option");
    }
  }
  if (roomCounts.empty()) roomCounts.push_back(250);
  if (seconds <= 0 || seconds > 600) fail("--seconds: more than 0, at most 600");
  for (int rooms : roomCounts)
    if (rooms < 1 || rooms > 2000) fail("--rooms: 1 to 2000 each");

  // Two sockets a client (ours and the relay's), in each process.
  rlimit files;
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);
  signal(SIGPIPE, SIG_IGN);

  char folder[] = "/tmp/vask-relay-load-XXXXXX";
  if (!mkdtemp(folder)) fail("mkdtemp");
  std::string statsFile = std::string(folder) + "/stats.txt", logFile = std::string(folder) + "/relay.txt";
  int status = 0;
  for (int rooms : roomCounts) {
    unlink(statsFile.c_str());
    Relay relay;
    relay.start(program, relayCpu, statsFile, logFile, rooms);
    pinTo(clientCpu);
    usleep(500000);
    long emptyRss = relay.rssKib();
    {
      Load load(relay.port, rooms);
      if (!load.setUp(SET_UP_LIMIT_S)) {
        fprintf(stderr, "relay load: only %zu of %d clients welcomed\n", load.welcomed(), rooms * PLAYERS);
        relay.stop();
        return 1;
      }
      load.run(WARM_UP_S);
      kill(relay.pid, SIGUSR1);  // the lateness from here on
      double cpu0 = relay.cpuSeconds(), t0 = now();
      uint64_t received0 = load.received();
      load.run(seconds);
      double cpu1 = relay.cpuSeconds(), t1 = now();
      kill(relay.pid, SIGUSR1);
      long rss = relay.rssKib();
      uint64_t received = load.received() - received0;
      load.run(0.2);  // the relay writes its line
      std::string stats = lastStatsLine(statsFile);
      long long bundles = 0, p50 = -1, p99 = -1, worst = -1;
      if (sscanf(stats.c_str(), "lateness bundles %lld p50_us %lld p99_us %lld max_us %lld", &bundles, &p50,
                 &p99, &worst) != 4)
        fail("the relay wrote no lateness");
      double cpuPercent = 100.0 * (cpu1 - cpu0) / (t1 - t0);
      printf("result rooms %d clients %d seconds %.1f cpu_percent %.1f cpu_per_room_percent %.3f "
             "rss_empty_kib %ld rss_kib %ld kib_per_room %.1f p50_us %lld p99_us %lld max_us %lld "
             "bundles %lld received %llu behind %d refused %llu lost %llu\n",
             rooms, rooms * PLAYERS, t1 - t0, cpuPercent, cpuPercent / rooms, emptyRss, rss,
             double(rss - emptyRss) / rooms, p50, p99, worst, bundles, (unsigned long long)received,
             load.behind(), (unsigned long long)load.refused(), (unsigned long long)load.lost());
      fflush(stdout);
      if (load.refused() || load.lost()) {
        // The relay says why (a client too slow to read, say): the figures above do not hold.
        fprintf(stderr, "relay load: clients refused or cut off; the relay's last words:\n");
        FILE* said = fopen(logFile.c_str(), "r");
        char line[256];
        for (int n = 0; said && fgets(line, sizeof line, said) && n < 5; ++n) fputs(line, stderr);
        if (said) fclose(said);
        status = 1;
      }
    }
    if (relay.stop() != 0) status = 1;
  }
  unlink(statsFile.c_str());
  unlink(logFile.c_str());
  rmdir(folder);
  return status;
}
