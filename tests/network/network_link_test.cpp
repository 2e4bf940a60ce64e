// The network layer against a relay stand-in on loopback (network_echo_server, which runs
// this program and says where it listens in VASK_ECHO_URL), the same tests for every
// desktop backend: Beast on Linux, WinHTTP under Wine.
// Waits poll with a deadline far longer than anything takes on a loaded machine: they
// fail only on a link that never gets there.
#include "platform/network.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::chrono::seconds PATIENCE{60};

std::string echoUrl() {
  const char* url = getenv("VASK_ECHO_URL");
  return url ? url : "";
}

// Waits until the link leaves state `from`; answers the state it reached.
int waitWhile(NetworkHandle link, int from) {
  auto deadline = std::chrono::steady_clock::now() + PATIENCE;
  while (networkState(link) == from && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return networkState(link);
}

// Waits for the next message; false if none came in time.
bool waitMessage(NetworkHandle link, std::vector<uint8_t>* message) {
  auto deadline = std::chrono::steady_clock::now() + PATIENCE;
  const uint8_t* data = 0;
  size_t size = 0;
  while (!networkReceive(link, &data, &size)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  message->assign(data, data + size);
  return true;
}

bool sendText(NetworkHandle link, const std::string& text) {
  return networkSend(link, text.data(), text.size());
}

std::vector<uint8_t> pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; i++) bytes[i] = static_cast<uint8_t>(i * 7 % 256);
  return bytes;
}

class NetworkLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(echoUrl(), "") << "run through network_echo_server, which sets VASK_ECHO_URL";
  }
  void TearDown() override { networkClose(link); }
  // Opens the link to the stand-in and waits until it is open.
  void openEcho() {
    link = networkOpen(echoUrl().c_str());
    ASSERT_NE(link, nullptr);
    ASSERT_EQ(waitWhile(link, NETWORK_CONNECTING), NETWORK_OPEN) << networkCloseReason(link);
    EXPECT_STREQ(networkCloseReason(link), "");
  }
  // Waits until the link closes; its reason must say something.
  void expectClosesWithReason() {
    EXPECT_EQ(waitWhile(link, NETWORK_OPEN), NETWORK_CLOSED);
    EXPECT_STRNE(networkCloseReason(link), "");
    EXPECT_FALSE(networkSend(link, "x", 1));
    printf("closed: %s\n", networkCloseReason(link));
  }
  NetworkHandle link = 0;
};

TEST(NetworkAddressTest, AddressesNoBackendCanTryGiveNoLink) {
  const char* bad[] = {"", "ws://", "ws://:80/", "http://127.0.0.1:80/", "wss://127.0.0.1:80/",
                       "ws://127.0.0.1:0/", "ws://127.0.0.1:65536/", "ws://127.0.0.1:/",
                       "ws://127.0.0.1:80x/", "ws://127.0.0.1:80/a b", "ws://a b:80/",
                       "ws://[::1/", "ws://127.0.0.1:9999999999/", "ws://127.0.0.1:80?x"};
  for (const char* url : bad) EXPECT_EQ(networkOpen(url), nullptr) << url;
  EXPECT_EQ(networkOpen(nullptr), nullptr);
  std::string huge = "ws://127.0.0.1:80/" + std::string(100000, 'a');
  EXPECT_EQ(networkOpen(huge.c_str()), nullptr);
  networkClose(0);  // does nothing
}

TEST_F(NetworkLinkTest, MessagesComeBackInOrder) {
  link = networkOpen(echoUrl().c_str());
  ASSERT_NE(link, nullptr);
  // Sent while still connecting: they wait in the queue for the handshake.
  const int count = 40;
  for (int i = 0; i < count; i++) {
    std::vector<uint8_t> message = pattern(static_cast<size_t>(i * 37));
    if (!message.empty()) message[0] = static_cast<uint8_t>(i);
    ASSERT_TRUE(networkSend(link, message.data(), message.size()));
  }
  for (int i = 0; i < count; i++) {
    std::vector<uint8_t> expected = pattern(static_cast<size_t>(i * 37));
    if (!expected.empty()) expected[0] = static_cast<uint8_t>(i);
    std::vector<uint8_t> got;
    ASSERT_TRUE(waitMessage(link, &got)) << "message " << i << ": " << networkCloseReason(link);
    EXPECT_EQ(got, expected) << "message " << i;
  }
  EXPECT_EQ(networkState(link), NETWORK_OPEN);
  const uint8_t* data;
  size_t size;
  EXPECT_FALSE(networkReceive(link, &data, &size));
}

TEST_F(NetworkLinkTest, LargeAndFragmentedMessagesArriveWhole) {
  openEcho();
  ASSERT_TRUE(sendText(link, "!big 3000000"));
  ASSERT_TRUE(sendText(link, "!frag 1000003 4096"));
  ASSERT_TRUE(sendText(link, "!big " + std::to_string(NETWORK_MESSAGE_LIMIT)));
  std::vector<uint8_t> got;
  ASSERT_TRUE(waitMessage(link, &got)) << networkCloseReason(link);
  EXPECT_EQ(got, pattern(3000000));
  ASSERT_TRUE(waitMessage(link, &got)) << networkCloseReason(link);
  EXPECT_EQ(got, pattern(1000003));
  ASSERT_TRUE(waitMessage(link, &got)) << networkCloseReason(link);
  EXPECT_EQ(got.size(), size_t(NETWORK_MESSAGE_LIMIT));
  EXPECT_EQ(networkState(link), NETWORK_OPEN);
}

TEST_F(NetworkLinkTest, OversizedMessageFromRelayClosesWithReason) {
  openEcho();
  ASSERT_TRUE(sendText(link, "before"));
  ASSERT_TRUE(sendText(link, "!big " + std::to_string(NETWORK_MESSAGE_LIMIT + 1)));
  expectClosesWithReason();
  // What came before the oversized one is still there; the oversized one never is.
  std::vector<uint8_t> got;
  ASSERT_TRUE(waitMessage(link, &got));
  EXPECT_EQ(std::string(got.begin(), got.end()), "before");
  const uint8_t* data;
  size_t size;
  EXPECT_FALSE(networkReceive(link, &data, &size));
}

TEST_F(NetworkLinkTest, OversizedFragmentedMessageClosesWithReason) {
  openEcho();
  ASSERT_TRUE(sendText(link, "!frag " + std::to_string(NETWORK_MESSAGE_LIMIT + 1) + " 65536"));
  expectClosesWithReason();
  const uint8_t* data;
  size_t size;
  EXPECT_FALSE(networkReceive(link, &data, &size));
}

TEST_F(NetworkLinkTest, OversizedSendClosesWithReason) {
  openEcho();
  std::vector<uint8_t> huge(size_t(NETWORK_MESSAGE_LIMIT) + 1);
  EXPECT_FALSE(networkSend(link, huge.data(), huge.size()));
  EXPECT_EQ(waitWhile(link, NETWORK_OPEN), NETWORK_CLOSED);
  EXPECT_STRNE(networkCloseReason(link), "");
}

TEST_F(NetworkLinkTest, TextMessageClosesWithReason) {
  openEcho();
  ASSERT_TRUE(sendText(link, "!text"));
  expectClosesWithReason();
  const uint8_t* data;
  size_t size;
  EXPECT_FALSE(networkReceive(link, &data, &size));
}

TEST_F(NetworkLinkTest, RelaysCloseReasonIsTold) {
  openEcho();
  ASSERT_TRUE(sendText(link, "!close the room is full"));
  expectClosesWithReason();
  EXPECT_NE(std::string(networkCloseReason(link)).find("the room is full"), std::string::npos)
      << networkCloseReason(link);
}

TEST_F(NetworkLinkTest, DroppedConnectionClosesWithReason) {
  openEcho();
  ASSERT_TRUE(sendText(link, "!drop"));
  expectClosesWithReason();
}

TEST_F(NetworkLinkTest, RefusedPortClosesWithReason) {
  const char* refused = getenv("VASK_REFUSED_URL");
  ASSERT_NE(refused, nullptr);
  link = networkOpen(refused);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(waitWhile(link, NETWORK_CONNECTING), NETWORK_CLOSED);
  EXPECT_STRNE(networkCloseReason(link), "");
  EXPECT_FALSE(networkSend(link, "x", 1));
  printf("closed: %s\n", networkCloseReason(link));
}

TEST_F(NetworkLinkTest, CloseSendsWhatIsQueued) {
  openEcho();
  std::string expected;
  for (int i = 0; i < 20; i++) {
    ASSERT_TRUE(sendText(link, "!keep " + std::to_string(i)));
    expected += std::to_string(i) + "\n";
  }
  networkClose(link);
  // A second link asks what the first left with the relay.
  link = networkOpen(echoUrl().c_str());
  ASSERT_NE(link, nullptr);
  std::string kept;
  auto deadline = std::chrono::steady_clock::now() + PATIENCE;
  while (kept.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
    ASSERT_TRUE(sendText(link, "!kept")) << networkCloseReason(link);
    std::vector<uint8_t> got;
    ASSERT_TRUE(waitMessage(link, &got)) << networkCloseReason(link);
    kept += std::string(got.begin(), got.end());
  }
  EXPECT_EQ(kept, expected);
}

TEST_F(NetworkLinkTest, ClosingAnyTimeEnds) {
  // Right after opening, while connecting, and with messages on their way in.
  networkClose(networkOpen(echoUrl().c_str()));
  networkClose(networkOpen(getenv("VASK_REFUSED_URL")));
  openEcho();
  for (int i = 0; i < 10; i++) ASSERT_TRUE(sendText(link, "!big 100000"));
  networkClose(link);
  link = 0;
}

}  // namespace
