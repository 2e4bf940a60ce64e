// The relay's rooms without a network: what each message leads to, tick by tick.
#include <gtest/gtest.h>
#include <string.h>

#include <memory>
#include <vector>

#include "relay/relay_core.h"

using namespace relay;

namespace {

MatchSettings settingsFor(int riders) {
  MatchSettings s = {};
  s.riderCount = static_cast<uint8_t>(riders);
  for (int i = 0; i < PROTOCOL_RIDERS; ++i) s.riders[i].target = static_cast<uint8_t>((i + 1) % riders);
  return s;
}

// What one connection was sent, read back.
struct Heard {
  std::vector<RelayMessage> messages;
  bool closed = false;
};

class RelayCoreTest : public ::testing::Test {
 protected:
  RelayCoreTest() : core(limits, [this] { return ++codeBits * 0x9e3779b97f4a7c15ull; }) {}

  void SetUp() override { core = RelayCore(limits, [this] { return ++codeBits * 0x9e3779b97f4a7c15ull; }); }

  ConnectionId connect(const std::string& address = "10.0.0.1") {
    ConnectionId id = nextId++;
    EXPECT_TRUE(core.connect(id, address));
    return id;
  }
  void send(ConnectionId id, const Bytes& bytes, bool binary = true) {
    Effects e;
    core.receive(id, bytes.data(), bytes.size(), binary, nowMs, e);
    take(e);
  }
  void tick() {
    Effects e;
    core.tick(roomId, e);
    take(e);
  }
  void take(const Effects& e) {
    for (uint64_t id : e.roomsOpened) roomId = id;
    for (uint64_t id : e.roomsClosed) closedRooms.push_back(id);
    for (const std::string& n : e.notes) notes.push_back(n);
    for (const Outgoing& o : e.out) {
      Heard& h = heard[o.to];
      ASSERT_FALSE(h.closed) << "sent to a closed connection";
      RelayMessage m;
      ASSERT_TRUE(readRelayMessage(o.message->data(), o.message->size(), &m));
      h.messages.push_back(m);
      // The welcome's log points into the message: keep its bytes alive.
      if (m.type == MSG_WELCOME) {
        kept.push_back(o.message);
        h.messages.back().welcome.log = kept.back()->data() + (o.message->size() - m.welcome.logSize);
      }
      // The socket closes later: the core must not wait for it to let the member go.
      if (o.close) h.closed = true;
    }
  }
  ConnectionId host(int riders = 3) {
    ConnectionId id = connect();
    Bytes b;
    writeHost(b, 1234, settingsFor(riders));
    send(id, b);
    return id;
  }
  ConnectionId join(const std::string& address = "10.0.0.1") {
    ConnectionId id = connect(address);
    const Room* room = core.room(roomId);
    if (!room) {
      ADD_FAILURE() << "no room to join";
      return id;
    }
    Bytes b;
    writeJoin(b, room->code);
    send(id, b);
    return id;
  }
  void take(ConnectionId id) {
    Bytes b;
    writeTake(b);
    send(id, b);
  }
  void input(ConnectionId id, uint32_t step, uint8_t in) {
    Bytes b;
    writeInput(b, step, in);
    send(id, b);
  }
  void digest(ConnectionId id, uint32_t step, uint64_t d) {
    Bytes b;
    writeDigest(b, step, d);
    send(id, b);
  }
  const RelayMessage& last(ConnectionId id) { return heard[id].messages.back(); }
  // The bundles a connection was sent, in order.
  std::vector<RelayMessage> bundles(ConnectionId id) {
    std::vector<RelayMessage> out;
    for (const RelayMessage& m : heard[id].messages)
      if (m.type == MSG_BUNDLE) out.push_back(m);
    return out;
  }
  void expectRefused(ConnectionId id, uint8_t reason) {
    ASSERT_FALSE(heard[id].messages.empty());
    EXPECT_EQ(last(id).type, MSG_REFUSED);
    EXPECT_EQ(last(id).reason, reason) << last(id).text;
    EXPECT_TRUE(heard[id].closed);
  }

  RelayLimits limits;
  uint64_t codeBits = 0;
  RelayCore core;
  ConnectionId nextId = 1;
  uint64_t roomId = 0;
  uint64_t nowMs = 1000;
  std::map<ConnectionId, Heard> heard;
  std::vector<std::shared_ptr<const Bytes>> kept;
  std::vector<uint64_t> closedRooms;
  std::vector<std::string> notes;
};

void expectEvents(const Bundle& b, std::vector<std::vector<int>> events) {
  ASSERT_EQ(b.count, static_cast<int>(events.size()));
  for (int i = 0; i < b.count; ++i) {
    EXPECT_EQ(b.events[i].kind, events[i][0]) << "event " << i;
    EXPECT_EQ(b.events[i].rider, events[i][1]) << "event " << i;
    EXPECT_EQ(b.events[i].value, events[i][2]) << "event " << i;
  }
}

}  // namespace

TEST(RelayProtocol, TheLongestClientMessageFitsTheLimit) {
  Bytes b;
  writeHost(b, 7, settingsFor(5));
  EXPECT_LE(b.size(), size_t(MAX_CLIENT_MESSAGE));
  ClientMessage m;
  ASSERT_TRUE(readClientMessage(b.data(), b.size(), &m));
  EXPECT_EQ(m.type, MSG_HOST);
  EXPECT_EQ(m.seed, 7u);
}

TEST_F(RelayCoreTest, BundlesCarryEventsInArrivalOrderAtTheirSteps) {
  ConnectionId a = host();
  ASSERT_EQ(last(a).type, MSG_WELCOME);
  EXPECT_EQ(last(a).welcome.client, 0);
  EXPECT_EQ(last(a).welcome.seed, 1234u);
  EXPECT_EQ(last(a).welcome.steps, 0u);
  tick();  // step 0: the host came
  tick();  // step 1: nothing
  ConnectionId b = join();
  ASSERT_EQ(last(b).type, MSG_WELCOME);
  EXPECT_EQ(last(b).welcome.client, 1);
  EXPECT_EQ(last(b).welcome.steps, 2u);
  EXPECT_EQ(memcmp(last(b).welcome.code, heard[a].messages.front().welcome.code, ROOM_CODE_LENGTH), 0);
  take(b);
  take(a);
  input(a, 2, INPUT_LEFT);
  input(b, 2, INPUT_FASTER);
  tick();  // step 2
  tick();  // step 3: nothing

  // The log in b's welcome is steps 0 and 1 as a saw them live.
  const Welcome& w = heard[b].messages.front().welcome;
  size_t at = 0;
  Bundle logged;
  ASSERT_TRUE(readLogBundle(w.log, w.logSize, &at, &logged));
  expectEvents(logged, {{EVENT_CAME, 0, 0}});
  ASSERT_TRUE(readLogBundle(w.log, w.logSize, &at, &logged));
  expectEvents(logged, {});
  EXPECT_EQ(at, w.logSize);

  std::vector<RelayMessage> seenByA = bundles(a), seenByB = bundles(b);
  ASSERT_EQ(seenByA.size(), 4u);
  ASSERT_EQ(seenByB.size(), 2u);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(seenByA[i].step, i);
  expectEvents(seenByA[0].bundle, {{EVENT_CAME, 0, 0}});
  expectEvents(seenByA[2].bundle, {{EVENT_CAME, 1, 0},
                                   {EVENT_TOOK, 0, 1},
                                   {EVENT_TOOK, 1, 0},
                                   {EVENT_INPUT, 1, INPUT_LEFT},
                                   {EVENT_INPUT, 0, INPUT_FASTER}});
  // b hears the live bundles from the step its welcome named, the same as a does.
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(seenByB[i].step, seenByA[i + 2].step);
    expectEvents(seenByB[i].bundle, i == 0 ? std::vector<std::vector<int>>{{EVENT_CAME, 1, 0},
                                                                           {EVENT_TOOK, 0, 1},
                                                                           {EVENT_TOOK, 1, 0},
                                                                           {EVENT_INPUT, 1, INPUT_LEFT},
                                                                           {EVENT_INPUT, 0, INPUT_FASTER}}
                                           : std::vector<std::vector<int>>{});
  }
}

TEST(RoomTick, EventsPastABundlesCapacityWaitForTheNextTick) {
  Room room;
  for (int i = 0; i < MAX_BUNDLE_EVENTS + 10; ++i)
    room.pending.push_back({EVENT_CAME, static_cast<uint8_t>(i), 0});
  Bundle b;
  EXPECT_EQ(roomTick(room, 8, &b), 0u);
  ASSERT_EQ(b.count, MAX_BUNDLE_EVENTS);
  EXPECT_EQ(b.events[MAX_BUNDLE_EVENTS - 1].rider, MAX_BUNDLE_EVENTS - 1);
  EXPECT_EQ(roomTick(room, 8, &b), 1u);
  ASSERT_EQ(b.count, 10);
  EXPECT_EQ(b.events[0].rider, MAX_BUNDLE_EVENTS);
  EXPECT_EQ(room.log.size(), size_t(1 + 3 * MAX_BUNDLE_EVENTS + 1 + 3 * 10));
}

TEST_F(RelayCoreTest, TakeGivesTheLowestFreeRiderAndLeavingFreesIt) {
  ConnectionId a = host(3);
  ConnectionId b = join();
  ConnectionId c = join();
  take(a);
  take(b);
  take(a);  // holds one already: ignored
  core.disconnect(a);
  take(c);  // rider 0 again, a's
  tick();
  ConnectionId d = join();  // a's place and number are free again
  EXPECT_EQ(last(d).welcome.client, 0);
  take(d);  // the last rider
  ConnectionId e = connect();
  Bytes full;
  writeJoin(full, core.room(roomId)->code);
  send(e, full);
  expectRefused(e, REFUSED_ROOM_FULL);
  core.disconnect(b);
  tick();
  std::vector<RelayMessage> seen = bundles(c);
  ASSERT_EQ(seen.size(), 2u);
  expectEvents(seen[0].bundle, {{EVENT_CAME, 0, 0},
                                {EVENT_CAME, 1, 0},
                                {EVENT_CAME, 2, 0},
                                {EVENT_TOOK, 0, 0},
                                {EVENT_TOOK, 1, 1},
                                {EVENT_WENT, 0, 0},
                                {EVENT_FREED, 0, 0},
                                {EVENT_TOOK, 0, 2}});
  expectEvents(seen[1].bundle, {{EVENT_CAME, 0, 0},
                                {EVENT_TOOK, 2, 0},
                                {EVENT_WENT, 1, 0},
                                {EVENT_FREED, 1, 0}});
}

TEST_F(RelayCoreTest, EntryIsRefusedForUnknownRoomsOtherVersionsAndSecondTries) {
  ConnectionId a = host();
  char code[ROOM_CODE_LENGTH];
  memcpy(code, core.room(roomId)->code, ROOM_CODE_LENGTH);
  code[0] = code[0] == '0' ? '1' : '0';
  ConnectionId stranger = connect();
  Bytes b;
  writeJoin(b, code);
  send(stranger, b);
  expectRefused(stranger, REFUSED_UNKNOWN_ROOM);
  EXPECT_STREQ(last(stranger).text, "no room with that code");

  ConnectionId old = connect();
  b.clear();
  writeJoinVersion(b, 2, core.room(roomId)->code);
  send(old, b);
  expectRefused(old, REFUSED_VERSION);
  EXPECT_STREQ(last(old).text, "this relay speaks protocol version 1");
  ConnectionId oldHost = connect();
  b.clear();
  writeHostVersion(b, 0, 1, settingsFor(2));
  send(oldHost, b);
  expectRefused(oldHost, REFUSED_VERSION);

  b.clear();
  writeJoin(b, core.room(roomId)->code);
  send(a, b);  // the host joining again
  expectRefused(a, REFUSED_BAD_MESSAGE);
  EXPECT_EQ(core.roomCount(), 1u);
}

TEST_F(RelayCoreTest, JoinAttemptsAndConnectionsAreLimitedPerAddress) {
  limits.joinAttempts = 3;
  limits.maxConnectionsPerAddress = 5;
  limits.maxConnections = 7;
  SetUp();
  host(5);  // attempt 1 from 10.0.0.1
  ConnectionId b = join();  // 2
  ConnectionId c = join();  // 3
  ConnectionId d = join();  // 4: over
  EXPECT_EQ(last(b).type, MSG_WELCOME);
  EXPECT_EQ(last(c).type, MSG_WELCOME);
  expectRefused(d, REFUSED_TOO_MANY);
  core.disconnect(d);  // its socket closed
  nowMs += limits.joinWindowSeconds * 1000;  // a new window
  ConnectionId e = join();
  EXPECT_EQ(last(e).type, MSG_WELCOME) << last(e).text;

  ConnectionId id = 100;
  EXPECT_TRUE(core.connect(id++, "10.0.0.1"));  // the fifth live one from there
  EXPECT_FALSE(core.connect(id++, "10.0.0.1"));
  EXPECT_TRUE(core.connect(id++, "10.0.0.2"));
  EXPECT_TRUE(core.connect(id++, "10.0.0.3"));  // the seventh in all
  EXPECT_FALSE(core.connect(id++, "10.0.0.4"));
}

TEST_F(RelayCoreTest, ABadMessageEndsOnlyItsSender) {
  ConnectionId a = host(5);
  take(a);
  tick();
  tick();  // the room is at step 2
  struct Case {
    const char* what;
    Bytes bytes;
    bool binary;
    bool joined;
    uint8_t reason;
  };
  Bytes longInput;
  writeInput(longInput, 1, INPUT_LEFT);
  longInput.resize(MAX_CLIENT_MESSAGE + 1);
  Bytes future, backwards, take1, unknownInput;
  writeInput(future, 3, INPUT_LEFT);
  writeInput(backwards, 1, INPUT_LEFT);
  writeTake(take1);
  writeInput(unknownInput, 1, 9);
  std::vector<Case> cases = {
      {"empty", {}, true, true, REFUSED_BAD_MESSAGE},
      {"unknown type", {0x7f}, true, true, REFUSED_BAD_MESSAGE},
      {"short", {MSG_INPUT, 1, 0}, true, true, REFUSED_BAD_MESSAGE},
      {"unknown input", unknownInput, true, true, REFUSED_BAD_MESSAGE},
      {"too long", longInput, true, true, REFUSED_BAD_MESSAGE},
      {"text", take1, false, true, REFUSED_BAD_MESSAGE},
      {"take before joining", take1, true, false, REFUSED_BAD_MESSAGE},
      {"step past the room's", future, true, true, REFUSED_BAD_MESSAGE},
  };
  for (const Case& k : cases) {
    ConnectionId bad = k.joined ? join("10.0.0." + std::to_string(nextId)) : connect();
    if (k.joined) take(bad);
    send(bad, k.bytes, k.binary);
    SCOPED_TRACE(k.what);
    expectRefused(bad, k.reason);
  }
  // Backwards: a step before one already sent.
  ConnectionId back = join("10.0.1.1");
  take(back);
  input(back, 2, INPUT_LEFT);
  EXPECT_FALSE(heard[back].closed);
  send(back, backwards);
  expectRefused(back, REFUSED_BAD_MESSAGE);
  // Flooding: the burst, then one too many within a step.
  ConnectionId flood = join("10.0.1.2");
  take(flood);
  for (uint32_t i = 0; i < limits.inputBurst; ++i) input(flood, 2, INPUT_RIGHT);
  EXPECT_FALSE(heard[flood].closed);
  input(flood, 2, INPUT_RIGHT);
  expectRefused(flood, REFUSED_TOO_MANY);
  EXPECT_STREQ(last(flood).text, "too many inputs");

  // The host heard nothing but bundles and still steers.
  input(a, 2, INPUT_SLOWER);
  tick();
  EXPECT_FALSE(heard[a].closed);
  for (const RelayMessage& m : heard[a].messages) EXPECT_NE(m.type, MSG_REFUSED);
  const Bundle b = bundles(a).back().bundle;  // a copy: the list is a temporary
  ASSERT_GT(b.count, 0);
  EXPECT_EQ(b.events[b.count - 1].kind, EVENT_INPUT);
  EXPECT_EQ(b.events[b.count - 1].value, INPUT_SLOWER);
  EXPECT_EQ(core.room(roomId)->members.size(), 1u);
}

TEST_F(RelayCoreTest, InputsAtOneAStepNeverRunOutOfTokens) {
  ConnectionId a = host();
  take(a);
  for (uint32_t step = 0; step < 200; ++step) {
    input(a, step, INPUT_LEFT);
    tick();
  }
  EXPECT_FALSE(heard[a].closed);
  EXPECT_EQ(bundles(a).size(), 200u);
}

TEST_F(RelayCoreTest, ADifferingDigestGetsOutOfStepAndTheWholeLog) {
  ConnectionId a = host();
  ConnectionId b = join();
  for (int i = 0; i < 2 * DIGEST_PERIOD + 5; ++i) tick();
  digest(a, DIGEST_PERIOD, 111);
  digest(b, DIGEST_PERIOD, 111);  // agrees
  digest(b, 2 * DIGEST_PERIOD, 222);
  size_t before = heard[a].messages.size();
  digest(a, 2 * DIGEST_PERIOD, 999);  // a differs from the first report
  ASSERT_EQ(heard[a].messages.size(), before + 2);
  const RelayMessage& outOfStep = heard[a].messages[before];
  EXPECT_EQ(outOfStep.type, MSG_OUT_OF_STEP);
  EXPECT_EQ(outOfStep.step, uint32_t(2 * DIGEST_PERIOD));
  const RelayMessage& again = last(a);
  ASSERT_EQ(again.type, MSG_WELCOME);
  EXPECT_EQ(again.welcome.client, 0);
  EXPECT_EQ(again.welcome.steps, core.room(roomId)->step);
  ASSERT_EQ(again.welcome.logSize, core.room(roomId)->log.size());
  EXPECT_EQ(memcmp(again.welcome.log, core.room(roomId)->log.data(), again.welcome.logSize), 0);
  EXPECT_FALSE(heard[a].closed);
  ASSERT_EQ(notes.size(), 1u);
  // Catching up, a reports the old steps again: no second welcome for them.
  digest(a, 2 * DIGEST_PERIOD, 999);
  EXPECT_EQ(heard[a].messages.size(), before + 2);
  for (const RelayMessage& m : heard[b].messages) EXPECT_NE(m.type, MSG_OUT_OF_STEP);

  digest(b, DIGEST_PERIOD + 1, 5);  // not a digest step
  expectRefused(b, REFUSED_BAD_MESSAGE);
  ConnectionId c = join();
  digest(c, 3 * DIGEST_PERIOD, 5);  // a step the room has not reached
  expectRefused(c, REFUSED_BAD_MESSAGE);
}

TEST_F(RelayCoreTest, RoomsEndWhenEmptyOrWhenTheirLogIsFull) {
  limits.emptyRoomSeconds = 1;
  limits.maxLogSteps = 200;
  SetUp();
  ConnectionId a = host();
  core.disconnect(a);
  for (int i = 0; i < TICKS_PER_SECOND - 1; ++i) tick();
  EXPECT_TRUE(closedRooms.empty());
  ConnectionId b = join();  // back in time: the room starts counting again
  tick();
  core.disconnect(b);
  for (int i = 0; i < TICKS_PER_SECOND - 1; ++i) tick();
  EXPECT_TRUE(closedRooms.empty());
  char code[ROOM_CODE_LENGTH];
  memcpy(code, core.room(roomId)->code, ROOM_CODE_LENGTH);
  tick();
  ASSERT_EQ(closedRooms.size(), 1u);
  EXPECT_EQ(core.roomCount(), 0u);
  ConnectionId late = connect();  // the code is gone with the room
  Bytes lateJoin;
  writeJoin(lateJoin, code);
  send(late, lateJoin);
  expectRefused(late, REFUSED_UNKNOWN_ROOM);

  ConnectionId c = host();
  ConnectionId d = join();
  for (uint32_t i = 0; i < limits.maxLogSteps - 1; ++i) tick();
  EXPECT_FALSE(heard[c].closed);
  tick();
  expectRefused(c, REFUSED_ROOM_ENDED);
  expectRefused(d, REFUSED_ROOM_ENDED);
  EXPECT_EQ(bundles(c).size(), size_t(limits.maxLogSteps));
  EXPECT_EQ(core.roomCount(), 0u);
}
