// The multimedia timer layer on this backend: killing a timer waits for a tick under way.
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <thread>
#include "platform/multimedia_timer.h"

namespace {

std::atomic<int> inTick{0};
std::atomic<int> ticks{0};

void slowTick(TimerId, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
  inTick = 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ticks++;
  inTick = 0;
}

// Once the kill returns, no callback runs or is still running: shutdown may then release
// whatever the callback touches.
TEST(MultimediaTimer, KillingWaitsForARunningCallbackAndEndsTheTicks) {
  TimerId id = timerSetEvent(1, 1, slowTick, 0, TIME_PERIODIC);
  ASSERT_NE(id, 0u);
  for (int i = 0; i < 5000 && !inTick; i++) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(inTick, 1) << "the timer never ticked";
  EXPECT_EQ(timerKillEvent(id), (uint32_t)TIMERR_NOERROR);
  EXPECT_EQ(inTick, 0) << "a callback was still running after the kill returned";
  int after = ticks;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(ticks, after) << "the timer ticked after it was killed";
}

}  // namespace
