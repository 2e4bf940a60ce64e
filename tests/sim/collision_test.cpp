// Crashes against walls and the arena edge, and who scores.
#include <gtest/gtest.h>

#include "arena.h"
#include "audio/sound_effects.h"
#include "sim/collision.h"
#include "sim/movement.h"
#include "sim/riders.h"
#include "sim/turning.h"
#include "sim/ui_state.h"
#include "tests/doubles/recorded_sound.h"

TEST(Between, StrictExcludesTheEndsInclusiveIncludesThem) {
  EXPECT_TRUE(strictlyBetween(5.0f, 0.0f, 10.0f));
  EXPECT_TRUE(strictlyBetween(5.0f, 10.0f, 0.0f));
  EXPECT_FALSE(strictlyBetween(0.0f, 0.0f, 10.0f));
  EXPECT_FALSE(strictlyBetween(10.0f, 10.0f, 0.0f));
  EXPECT_FALSE(strictlyBetween(-1.0f, 0.0f, 10.0f));
  EXPECT_FALSE(strictlyBetween(11.0f, 10.0f, 0.0f));
  EXPECT_FALSE(strictlyBetween(3.0f, 3.0f, 3.0f));
}

// Runs the collision test for rider 0 riding `heading` from (x, z).
static bool crashesAt(float x, float z, int heading) {
  Rider saved = riders[0];
  placeRider(0, x, z, heading);
  int32_t score = riders[0].score;
  checkCollision(0);
  bool crashed = riders[0].speed == 0.0f;
  int32_t scoreChange = riders[0].score - score;
  riders[0] = saved;
  // A crash into another rider's wall leaves the crashing rider's score alone.
  EXPECT_EQ(scoreChange, 0);
  return crashed;
}

TEST(Collision, TheEdgeIsInsideUpToItsLastUnit) {
  const struct {
    int heading;
    float x, z, stepX, stepZ;
  } edges[] = {
      {1, 10240.0f - 85.0f, 0.0f, 2.0f, 0.0f},
      {3, -10240.0f + 85.0f, 0.0f, -2.0f, 0.0f},
      {0, 0.0f, 10240.0f - 85.0f, 0.0f, 2.0f},
      {2, 0.0f, -10240.0f + 85.0f, 0.0f, -2.0f},
  };
  for (const auto& e : edges) {
    SCOPED_TRACE(e.heading);
    clearArena(2);
    placeRider(1, e.x, e.z, e.heading);
    checkCollision(1);
    EXPECT_EQ(riders[1].speed, 10.0f);
    EXPECT_EQ(riders[1].score, 0);
    placeRider(1, e.x + e.stepX, e.z + e.stepZ, e.heading);
    checkCollision(1);
    EXPECT_EQ(riders[1].speed, 0.0f);
    EXPECT_EQ(riders[1].score, -1);
  }
}

// Rides rider 0 straight on until it crashes; returns where it stopped.
static float rideUntilCrash(float x) {
  placeRider(0, x, 0.0f, 1);
  for (int call = 0; call < 1000 && riders[0].speed > 0.0f; ++call) moveRider(0);
  EXPECT_EQ(riders[0].speed, 0.0f);
  return riders[0].x;
}

TEST(Collision, RidersStopEightyFourOrEightyThreeUnitsShort) {
  clearArena(3);
  EXPECT_EQ(10240.0f - rideUntilCrash(9000.0f), 84.0f);
  EXPECT_EQ(10240.0f - rideUntilCrash(9001.0f), 83.0f);

  clearArena(3);
  layTrail(2, {{3000, -500}, {3000, 500}});
  EXPECT_EQ(3000.0f - rideUntilCrash(2000.0f), 84.0f);
  EXPECT_EQ(riders[2].score, 1);
  EXPECT_EQ(riders[0].score, 0);
  EXPECT_EQ(3000.0f - rideUntilCrash(2001.0f), 83.0f);
  EXPECT_EQ(riders[2].score, 2);
}

TEST(Collision, ACrossingWallCountsOnlyStrictlyInsideTheStretchAhead) {
  clearArena(2);
  layTrail(1, {{100, 500}, {300, 500}});  // along x, crossing +z travel
  // Through the wall's end points: no hit; one unit inside them: a hit.
  EXPECT_FALSE(crashesAt(100.0f, 430.0f, 0));
  EXPECT_FALSE(crashesAt(300.0f, 430.0f, 0));
  EXPECT_TRUE(crashesAt(101.0f, 430.0f, 0));
  EXPECT_TRUE(crashesAt(299.0f, 430.0f, 0));
  // Exactly 85 ahead is not yet a hit; 84 is.
  EXPECT_FALSE(crashesAt(200.0f, 415.0f, 0));
  EXPECT_TRUE(crashesAt(200.0f, 416.0f, 0));
  // Under the rider, or behind it, is no hit either.
  EXPECT_FALSE(crashesAt(200.0f, 500.0f, 0));
  EXPECT_FALSE(crashesAt(200.0f, 520.0f, 0));
  EXPECT_TRUE(crashesAt(200.0f, 580.0f, 2));  // from the other side

  layTrail(1, {{-700, 100}, {-700, 300}});  // along z, crossing x travel
  EXPECT_FALSE(crashesAt(-650.0f, 100.0f, 3));
  EXPECT_FALSE(crashesAt(-650.0f, 300.0f, 3));
  EXPECT_TRUE(crashesAt(-650.0f, 101.0f, 3));
  EXPECT_TRUE(crashesAt(-616.0f, 200.0f, 3));
  EXPECT_FALSE(crashesAt(-615.0f, 200.0f, 3));
  EXPECT_TRUE(crashesAt(-784.0f, 299.0f, 1));
  EXPECT_FALSE(crashesAt(-785.0f, 299.0f, 1));
}

TEST(Collision, AWallOnTheRidersOwnLineCountsOnlyOnceTheLookAheadIsPastItsEnd) {
  clearArena(2);
  layTrail(1, {{0, 1000}, {0, 2000}});
  EXPECT_FALSE(crashesAt(0.0f, 915.0f, 0));   // look-ahead on the end point
  EXPECT_TRUE(crashesAt(0.0f, 916.0f, 0));
  EXPECT_FALSE(crashesAt(0.0f, 2085.0f, 2));
  EXPECT_TRUE(crashesAt(0.0f, 2084.0f, 2));
  // A parallel line, however close, never.
  EXPECT_FALSE(crashesAt(1.0f, 1500.0f, 0));
  EXPECT_FALSE(crashesAt(-1.0f, 1500.0f, 2));

  layTrail(1, {{5000, -40}, {4000, -40}});
  EXPECT_FALSE(crashesAt(3915.0f, -40.0f, 1));
  EXPECT_TRUE(crashesAt(3916.0f, -40.0f, 1));
  EXPECT_TRUE(crashesAt(5084.0f, -40.0f, 3));
  EXPECT_FALSE(crashesAt(4500.0f, -41.0f, 3));
}

TEST(Collision, AZeroLengthWallIsNeverHit) {
  clearArena(2);
  layTrail(1, {{0, 1000}});
  ASSERT_EQ(trailLength(1), 2);
  for (float z = 900.0f; z < 1100.0f; z += 1.0f) ASSERT_FALSE(crashesAt(0.0f, z, 0)) << z;
  for (float x = -100.0f; x < 100.0f; x += 1.0f) ASSERT_FALSE(crashesAt(x, 1000.0f, 1)) << x;
}

TEST(Collision, TheRidersOwnGrowingWallAndFreshCornersNeverCrashIt) {
  clearArena(2);
  placeRider(0, 0.0f, 0.0f, 1);
  const int keys[] = {TURN_LEFT_KEY, TURN_LEFT_KEY, TURN_RIGHT_KEY, TURN_RIGHT_KEY,
                      TURN_LEFT_KEY, TURN_RIGHT_KEY};
  for (int key : keys) {
    for (int call = 0; call < 30; ++call) moveRider(0);
    turnRider(0, key);
    checkCollision(0);  // right after the turn, the last segment ends exactly at the rider
    ASSERT_EQ(riders[0].speed, 10.0f);
  }
  EXPECT_EQ(riders[0].score, 0);
}

TEST(Collision, HittingOnesOwnOlderWallCostsAPoint) {
  clearArena(2);
  layTrail(0, {{0, 0}, {1000, 0}, {1000, 1000}, {500, 1000}});
  Rider& r = riders[0];
  r.speed = 10.0f;
  r.heading = 2;
  r.dirX = 0.0f;
  r.dirZ = -1.0f;
  for (int call = 0; call < 200 && r.speed > 0.0f; ++call) moveRider(0);
  EXPECT_EQ(r.speed, 0.0f);
  EXPECT_EQ(r.z, 84.0f);
  EXPECT_EQ(r.score, -1);
  EXPECT_EQ(riders[1].score, 0);
}

TEST(Collision, TheFirstWallFoundScoresAndEndsTheTest) {
  // Rider 2's wall is nearer, but rider 1's is found first.
  clearArena(4);
  layTrail(2, {{50, -100}, {50, 100}});
  layTrail(1, {{80, -100}, {80, 100}});
  placeRider(3, 0.0f, 0.0f, 1);
  checkCollision(3);
  EXPECT_EQ(riders[3].speed, 0.0f);
  EXPECT_EQ(riders[1].score, 1);
  EXPECT_EQ(riders[2].score, 0);
  EXPECT_EQ(riders[3].score, 0);

  // A wall and the edge both ahead: only the wall counts, so one crash and one point.
  clearArena(4);
  layTrail(2, {{10200, -100}, {10200, 100}});
  placeRider(3, 10170.0f, 0.0f, 1);
  checkCollision(3);
  EXPECT_EQ(riders[2].score, 1);
  EXPECT_EQ(riders[3].score, 0);
  EXPECT_EQ(recordedSoundCount, 2);
}

TEST(Collision, ACrashedRidersWallStillCrashesOthersAndScores) {
  clearArena(3);
  layTrail(2, {{-300, 400}, {300, 400}});
  riders[2].crashTimer = 60;  // crashed and waiting
  placeRider(0, 0.0f, 300.0f, 0);
  for (int call = 0; call < 10; ++call) moveRider(0);
  EXPECT_EQ(riders[0].speed, 0.0f);
  EXPECT_EQ(riders[0].z, 316.0f);
  EXPECT_EQ(riders[2].score, 1);
  EXPECT_EQ(riders[0].score, 0);
}

TEST(Collision, CrashStopsTheEngineThenPlaysTheCrashSound) {
  for (int demo : {0, 1}) {
    for (int rider = 0; rider < 5; ++rider) {
      SCOPED_TRACE(rider);
      clearArena(5);
      demoActive = demo;
      placeRider(rider, 0.0f, 0.0f, 0);
      riders[rider].score = 3;
      crashRider(rider, rider == 4 ? 0 : 4);
      ASSERT_EQ(recordedSoundCount, 2);
      EXPECT_EQ(recordedSounds[0].op, SOUND_OP_STOP);
      EXPECT_EQ(recordedSounds[0].slot, rider);
      EXPECT_EQ(recordedSounds[1].op, SOUND_OP_PLAY);
      EXPECT_EQ(recordedSounds[1].slot, rider == 0 ? SOUND_BOOM : SOUND_BOOM2);
      EXPECT_EQ(riders[rider].speed, 0.0f);
      EXPECT_EQ(riders[rider].score, 3);
      EXPECT_EQ(riders[rider == 4 ? 0 : 4].score, 1);
      crashRider(rider, rider);  // its own wall
      EXPECT_EQ(riders[rider].score, 2);
      crashRider(rider, -1);     // the edge
      EXPECT_EQ(riders[rider].score, 1);
    }
  }
  demoActive = 0;
}
