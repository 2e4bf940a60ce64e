// The relay's record of how late bundles leave: percentiles to a slot's width, the largest
// exact, nothing lost past the last slot, and a fresh start after clear().
#include <gtest/gtest.h>

#include "relay/lateness.h"

using relay::LatenessRecord;

TEST(LatenessRecord, PercentilesToASlotAndTheLargestExactly) {
  LatenessRecord r;
  EXPECT_EQ(r.percentileNs(0.99), 0);
  // 98 bundles 0.12 ms late, one 3.01 ms, one 7.5 ms.
  for (int i = 0; i < 98; ++i) r.add(120000);
  r.add(3010000);
  r.add(7500000);
  EXPECT_EQ(r.count(), 100u);
  EXPECT_EQ(r.percentileNs(0.50), 150000);   // the 50 µs slot holding 0.12 ms ends at 0.15
  EXPECT_EQ(r.percentileNs(0.99), 3050000);  // the 99th of 100
  EXPECT_EQ(r.percentileNs(1.0), 7500000);   // the largest, exactly
  EXPECT_EQ(r.maxNs(), 7500000);
  EXPECT_EQ(r.line(), "bundles 100 p50_us 150 p99_us 3050 max_us 7500");
}

TEST(LatenessRecord, BeyondTheLastSlotAndEarlyOnes) {
  LatenessRecord r;
  r.add(-5000);  // a clock's rounding: counts as on time
  r.add(2500000000);  // 2.5 s: past the histogram, still counted and still the largest
  EXPECT_EQ(r.percentileNs(0.5), 50000);
  EXPECT_EQ(r.percentileNs(0.99), 2500000000);
  r.clear();
  EXPECT_EQ(r.count(), 0u);
  r.add(60000);
  EXPECT_EQ(r.percentileNs(0.99), 60000);  // the largest inside the slot's edge
  EXPECT_EQ(r.maxNs(), 60000);
}
