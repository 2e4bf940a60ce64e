// Picking attract-mode shots: two draws, then the move's set-up.
#include <gtest/gtest.h>

#include "arena.h"
#include "render/attract_mode.h"
#include "sim/random.h"
#include "sim/riders.h"

// Seeds the generator so that the next shot is move `type` showing rider `rider`.
static void seedShot(int type, int rider) {
  for (uint32_t seed = 1;; ++seed) {
    seedRandom(seed);
    int32_t first = drawRandom();
    int32_t second = drawRandom();
    if (first % 6 == type && second % riderCount == rider) {
      seedRandom(seed);
      return;
    }
  }
}

// A shot of move `type` for rider 2, after stale values from an earlier shot.
static void chooseShotOf(int type) {
  shotTimer = 150;
  shotDistance = 12.0f;
  shotAngle = 9.0;
  shotEyeX = shotEyeY = shotEyeZ = -1.0f;
  seedShot(type, 2);
  chooseAttractShot();
  EXPECT_EQ(shotType, type);
  EXPECT_EQ(shotRider, 2);
  EXPECT_EQ(shotTimer, 0);
}

TEST(AttractShot, DrawsTheMoveThenTheRider) {
  clearArena(3);
  for (uint32_t seed = 10; seed < 60; ++seed) {
    seedRandom(seed);
    int32_t first = drawRandom();
    int32_t second = drawRandom();
    int32_t third = drawRandom();
    seedRandom(seed);
    chooseAttractShot();
    EXPECT_EQ(shotType, first % 6);
    EXPECT_EQ(shotRider, second % 3);
    EXPECT_EQ(drawRandom(), third);  // exactly two draws
  }
}

TEST(AttractShot, SideViewsStartAtEightHundred) {
  clearArena(4);
  for (int type : {0, 3}) {
    chooseShotOf(type);
    EXPECT_EQ(shotDistance, 800.0f);
    EXPECT_EQ(shotEyeX, -1.0f);
  }
}

TEST(AttractShot, FixedCamerasStandAheadOfTheRider) {
  clearArena(4);
  placeRider(2, 1000.0f, -2000.0f, 0);
  riders[2].y = 12.0f;
  chooseShotOf(1);
  EXPECT_EQ(shotEyeX, 1000.0f);
  EXPECT_EQ(shotEyeY, 262.0f);
  EXPECT_EQ(shotEyeZ, -800.0f);

  chooseShotOf(2);  // travelling +z: off to +x
  EXPECT_EQ(shotEyeX, 1200.0f);
  EXPECT_EQ(shotEyeY, 162.0f);
  EXPECT_EQ(shotEyeZ, -1200.0f);

  placeRider(2, 1000.0f, -2000.0f, 3);  // travelling -x: off to +z
  chooseShotOf(2);
  EXPECT_EQ(shotEyeX, 200.0f);
  EXPECT_EQ(shotEyeY, 162.0f);
  EXPECT_EQ(shotEyeZ, -1800.0f);
}

TEST(AttractShot, CirclingMovesStartTheirAngle) {
  clearArena(4);
  chooseShotOf(4);
  EXPECT_EQ(shotAngle, 0.0);
  chooseShotOf(5);
  EXPECT_EQ(shotAngle, 3.14159 / 3);
  EXPECT_EQ(shotEyeX, 0.0f);
  EXPECT_EQ(shotEyeY, 2000.0f);
  EXPECT_EQ(shotEyeZ, -10000.0f);
}
