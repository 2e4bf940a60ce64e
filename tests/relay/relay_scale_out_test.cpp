// Two relays behind HAProxy, as a relay grows past one machine: the proxy picks a relay by
// the address's hash (`balance uri`, `hash-type consistent`), so everyone who comes to
// /room/CODE lands on the same relay, and the host's relay makes its room with that code.
// Twenty rooms, each a host and two joiners, all through the proxy: every joiner is welcomed
// into its host's room and hears the host's bundles; asked directly afterwards, each room is
// on exactly one relay, and each relay holds some of them. Deadlines catch hangs only.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "relay/relay_programs.h"

extern char** environ;

namespace {

using namespace relay_test;

const int ROOMS = 20;

MatchSettings threeRiders() {
  MatchSettings s = {};
  s.riderCount = 3;
  for (int i = 0; i < PROTOCOL_RIDERS; ++i) s.riders[i].target = static_cast<uint8_t>((i + 1) % 3);
  return s;
}

// A port nobody listens on now, for the proxy (the kernel's pick for a socket we close).
unsigned freePort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
    close(s);
    return 0;
  }
  close(s);
  return ntohs(a.sin_port);
}

bool accepting(unsigned port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

// HAProxy in the foreground (-db) on a config of its own in a temporary folder; killed at the end.
struct Haproxy {
  std::string dir;
  pid_t pid = -1;
  unsigned port = 0;

  bool start(unsigned relayA, unsigned relayB) {
    char folder[] = "/tmp/vask-scale-out-XXXXXX";
    if (!mkdtemp(folder)) return false;
    dir = folder;
    port = freePort();
    std::ofstream config(dir + "/haproxy.cfg");
    // A WebSocket is an HTTP upgrade, then a tunnel: `timeout tunnel` keeps a quiet one open.
    config << "global\n"
              "  maxconn 500\n"
              "defaults\n"
              "  mode http\n"
              "  timeout connect 10s\n"
              "  timeout client 120s\n"
              "  timeout server 120s\n"
              "  timeout tunnel 1h\n"
              "frontend rooms\n"
              "  bind 127.0.0.1:" << port << "\n"
              "  default_backend relays\n"
              "backend relays\n"
              "  balance uri\n"
              "  hash-type consistent\n"
              "  server a 127.0.0.1:" << relayA << "\n"
              "  server b 127.0.0.1:" << relayB << "\n";
    config.close();
    std::string cfg = dir + "/haproxy.cfg", log = dir + "/haproxy.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<std::string> args = {VASK_HAPROXY_PATH, "-db", "-f", cfg};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int rc = posix_spawn(&pid, VASK_HAPROXY_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      pid = -1;
      return false;
    }
    auto deadline = std::chrono::steady_clock::now() + HANG;
    while (std::chrono::steady_clock::now() < deadline) {
      if (accepting(port)) return true;
      if (waitpid(pid, nullptr, WNOHANG) == pid) {
        pid = -1;
        break;
      }
      usleep(20000);
    }
    std::ifstream said(log);
    ADD_FAILURE() << "haproxy did not start:\n" << std::string(std::istreambuf_iterator<char>(said), {});
    return false;
  }

  ~Haproxy() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (!dir.empty()) {
      unlink((dir + "/haproxy.cfg").c_str());
      unlink((dir + "/haproxy.log").c_str());
      rmdir(dir.c_str());
    }
  }
};

// The log a welcome carries, a bundle a slot.
std::vector<Bytes> welcomeLog(const Welcome& w) {
  std::vector<Bytes> log;
  size_t at = 0;
  for (uint32_t i = 0; i < w.steps; ++i) {
    Bundle bundle;
    EXPECT_TRUE(readLogBundle(w.log, w.logSize, &at, &bundle));
    Bytes one;
    writeBundle(one, bundle);
    log.push_back(one);
  }
  return log;
}

// What a relay answers a JOIN of `code` sent straight to it: WELCOME where the room is (its
// clients have gone, so it has space), REFUSED with UNKNOWN_ROOM elsewhere.
uint8_t answerTo(unsigned relayPort, const std::string& code) {
  Client probe;
  EXPECT_EQ(probe.connect(relayPort), CONNECTED);
  Bytes join;
  writeJoin(join, code.c_str());
  probe.send(join);
  RelayMessage m;
  if (!probe.receive(&m)) return 0;
  if (m.type != MSG_REFUSED) return m.type;
  EXPECT_EQ(m.reason, REFUSED_UNKNOWN_ROOM) << m.text;
  return REFUSED_UNKNOWN_ROOM;
}

}  // namespace

TEST(RelayScaleOut, ARoomsClientsMeetOnOneRelayBehindHaproxy) {
  // Everything comes from the proxy's one address: the per-address limits are opened up.
  std::vector<std::string> flags = {"--listen", "127.0.0.1:0", "--join-attempts", "1000",
                                    "--max-connections-per-address", "1000",
                                    "--empty-room-seconds", "600"};
  RelayProcess a, b;
  ASSERT_TRUE(a.start(flags));
  ASSERT_TRUE(b.start(flags));
  Haproxy proxy;
  ASSERT_TRUE(proxy.start(a.port, b.port));

  std::mt19937_64 random(std::random_device{}());
  std::vector<std::string> codes;
  for (int r = 0; r < ROOMS; ++r) {
    char proposed[ROOM_CODE_LENGTH];
    roomCodeFromBits(random() & 0xffffffffffull, proposed);
    std::string code(proposed, ROOM_CODE_LENGTH);
    std::string path = "/room/" + code;
    SCOPED_TRACE("room " + code);

    Client host;
    ASSERT_EQ(host.connect(proxy.port, "", path), CONNECTED);
    Bytes hostMessage;
    writeHost(hostMessage, 1000u + r, threeRiders());
    host.send(hostMessage);
    RelayMessage m;
    ASSERT_TRUE(host.receive(&m));
    ASSERT_EQ(m.type, MSG_WELCOME);
    // The relay took the code the path proposed: that is what brings the joiners to it.
    ASSERT_EQ(std::string(m.welcome.code, ROOM_CODE_LENGTH), code);
    std::vector<Bytes> seenByHost = welcomeLog(m.welcome);
    host.bundlesThrough(3, seenByHost);

    std::vector<std::vector<Bytes>> seenByJoiners;
    std::vector<std::unique_ptr<Client>> joiners;
    for (int j = 0; j < 2; ++j) {
      joiners.push_back(std::make_unique<Client>());
      Client& joiner = *joiners.back();
      ASSERT_EQ(joiner.connect(proxy.port, "", path), CONNECTED);
      Bytes join;
      writeJoin(join, proposed);
      joiner.send(join);
      ASSERT_TRUE(joiner.receive(&m));
      ASSERT_EQ(m.type, MSG_WELCOME) << "joiner " << j << " was refused: " << m.text;
      EXPECT_EQ(std::string(m.welcome.code, ROOM_CODE_LENGTH), code);
      EXPECT_EQ(m.welcome.seed, 1000u + r);
      EXPECT_EQ(m.welcome.client, j + 1);
      seenByJoiners.push_back(welcomeLog(m.welcome));
    }
    uint32_t through = static_cast<uint32_t>(std::max(seenByJoiners[0].size(), seenByJoiners[1].size())) + 10;
    host.bundlesThrough(through, seenByHost);
    for (int j = 0; j < 2; ++j) {
      joiners[j]->bundlesThrough(through, seenByJoiners[j]);
      EXPECT_EQ(seenByJoiners[j], seenByHost) << "joiner " << j << " heard other bundles than the host";
    }
    codes.push_back(code);
    // The clients go; the room stays (--empty-room-seconds) for the question below.
  }

  // Each room on exactly one relay, and both relays used.
  int onA = 0, onB = 0;
  for (const std::string& code : codes) {
    uint8_t fromA = answerTo(a.port, code), fromB = answerTo(b.port, code);
    bool hasA = fromA == MSG_WELCOME, hasB = fromB == MSG_WELCOME;
    EXPECT_TRUE(hasA != hasB) << "room " << code << ": relay a answered " << int(fromA)
                              << ", relay b " << int(fromB);
    onA += hasA;
    onB += hasB;
  }
  EXPECT_GT(onA, 0) << "every room went to relay b";
  EXPECT_GT(onB, 0) << "every room went to relay a";
  EXPECT_EQ(onA + onB, ROOMS);

  EXPECT_EQ(a.terminate(), 0);
  EXPECT_EQ(b.terminate(), 0);
}
