// The real vask-relay over loopback: two clients in one room hear the same bundles, a client
// sending garbage is sent away while the others play on, unlisted page origins are refused,
// and SIGTERM ends the relay with exit code 0. Deadlines are generous: they catch hangs only.
#include "relay/relay_programs.h"

namespace {

using namespace relay_test;

MatchSettings threeRiders() {
  MatchSettings s = {};
  s.riderCount = 3;
  for (int i = 0; i < PROTOCOL_RIDERS; ++i) s.riders[i].target = static_cast<uint8_t>((i + 1) % 3);
  return s;
}

bool hasEvent(const std::vector<Bytes>& bundles, size_t from, uint8_t kind, uint8_t rider) {
  for (size_t i = from; i < bundles.size(); ++i) {
    Bundle b;
    size_t at = 0;
    if (!readLogBundle(bundles[i].data(), bundles[i].size(), &at, &b)) continue;
    for (int e = 0; e < b.count; ++e)
      if (b.events[e].kind == kind && b.events[e].rider == rider) return true;
  }
  return false;
}

}  // namespace

TEST(RelayProgram, RoomsOverWebSocketThenEndsOnSigterm) {
  RelayProcess relay;
  ASSERT_TRUE(relay.start({"--listen", "127.0.0.1:0", "--allow-origin", "https://play.example"}));

  // A hosts; A's first bundles.
  Client a;
  ASSERT_EQ(a.connect(relay.port), CONNECTED);
  Bytes host;
  writeHost(host, 99, threeRiders());
  a.send(host);
  RelayMessage m;
  ASSERT_TRUE(a.receive(&m));
  ASSERT_EQ(m.type, MSG_WELCOME);
  EXPECT_EQ(m.welcome.seed, 99u);
  char code[ROOM_CODE_LENGTH];
  memcpy(code, m.welcome.code, ROOM_CODE_LENGTH);
  std::vector<Bytes> seenByA;
  a.bundlesThrough(5, seenByA);

  // B joins from a page of an allowed origin: its welcome's log and its bundles are A's.
  Client b;
  ASSERT_EQ(b.connect(relay.port, "https://play.example"), CONNECTED);
  Bytes join;
  writeJoin(join, code);
  b.send(join);
  ASSERT_TRUE(b.receive(&m));
  ASSERT_EQ(m.type, MSG_WELCOME);
  EXPECT_EQ(m.welcome.client, 1);
  std::vector<Bytes> seenByB;
  size_t at = 0;
  for (uint32_t i = 0; i < m.welcome.steps; ++i) {
    Bundle bundle;
    ASSERT_TRUE(readLogBundle(m.welcome.log, m.welcome.logSize, &at, &bundle));
    Bytes one;
    writeBundle(one, bundle);
    seenByB.push_back(one);
  }
  Bytes take;
  writeTake(take);
  b.send(take);
  uint32_t through = m.welcome.steps + 30;
  a.bundlesThrough(through, seenByA);
  b.bundlesThrough(through, seenByB);
  EXPECT_EQ(seenByA, seenByB);
  EXPECT_TRUE(hasEvent(seenByA, 0, EVENT_TOOK, 0));

  // C joins, then sends garbage: it alone is sent away, and its leaving shows in the room.
  Client c;
  ASSERT_EQ(c.connect(relay.port), CONNECTED);
  c.send(join);
  ASSERT_TRUE(c.receive(&m));
  ASSERT_EQ(m.type, MSG_WELCOME);
  uint8_t cNumber = m.welcome.client;
  size_t cameAt = m.welcome.steps;
  c.send(Bytes{0xff, 0x00, 0x13});
  bool refused = false;
  while (c.receive(&m)) refused = refused || m.type == MSG_REFUSED;
  EXPECT_TRUE(refused);
  EXPECT_EQ(m.reason, REFUSED_BAD_MESSAGE);
  through = static_cast<uint32_t>(seenByA.size()) + 60;
  a.bundlesThrough(through, seenByA);
  b.bundlesThrough(through, seenByB);
  EXPECT_EQ(seenByA, seenByB);
  EXPECT_TRUE(hasEvent(seenByA, cameAt, EVENT_WENT, cNumber));

  // A page from an unlisted origin is refused at the handshake.
  Client stranger;
  EXPECT_EQ(stranger.connect(relay.port, "https://elsewhere.example"), UPGRADE_DECLINED);

  EXPECT_EQ(relay.terminate(), 0);
}
