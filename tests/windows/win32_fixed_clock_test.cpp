// The end-to-end tests pin the match by preloading tests/e2e/fixed_clock.c into the game
// (VASK_FIXED_CLOCK): under Wine the preload reaches the Windows program through Wine's
// own reading of the Linux clock. This program runs the same way, with the clock pinned
// to VASK_FIXED_TIME, and shows that time(0), the call the game seeds its generator with,
// reads the pinned second, and that the generator seeded from it draws the same numbers
// each time.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <vector>

#include "sim/random.h"

namespace {

std::vector<int32_t> drawsSeededFromTheCalendar() {
  seedRandom((uint32_t)time(0));  // as the game's start-up seeds it
  std::vector<int32_t> draws;
  for (int i = 0; i < 32; i++) draws.push_back(drawRandom());
  return draws;
}

TEST(Win32FixedClock, TheCalendarReadsThePinnedSecondAndTheSeedRepeatsTheDraws) {
  const char* pinned = getenv("VASK_FIXED_TIME");
  ASSERT_TRUE(pinned && *pinned) << "no pinned second: the Windows build was configured "
                                    "without -DVASK_FIXED_CLOCK=<the Linux build's "
                                    "tests/libvask_fixed_clock.so>";
  time_t second = (time_t)strtoll(pinned, 0, 10);
  EXPECT_EQ(time(0), second) << "the preloaded clock did not reach the Windows program";
  std::vector<int32_t> first = drawsSeededFromTheCalendar();
  std::vector<int32_t> again = drawsSeededFromTheCalendar();
  EXPECT_EQ(first, again);
  seedRandom((uint32_t)second);
  for (size_t i = 0; i < first.size(); i++) EXPECT_EQ(drawRandom(), first[i]) << i;
}

}  // namespace
