// The computer riders' rule: swerving from what is close ahead, chasing, speeding up.
#include <gtest/gtest.h>

#include "arena.h"
#include "audio/sound_effects.h"
#include "sim/collision.h"
#include "sim/computer_rider.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/turning.h"
#include "sim/ui_state.h"
#include "tests/doubles/recorded_sound.h"

TEST(InclusivelyBetween, IncludesTheEndsInEitherOrder) {
  EXPECT_TRUE(inclusivelyBetween(0.0f, 0.0f, 10.0f));
  EXPECT_TRUE(inclusivelyBetween(10.0f, 0.0f, 10.0f));
  EXPECT_TRUE(inclusivelyBetween(10.0f, 10.0f, 0.0f));
  EXPECT_TRUE(inclusivelyBetween(4.0f, 10.0f, 0.0f));
  EXPECT_FALSE(inclusivelyBetween(-1.0f, 10.0f, 0.0f));
  EXPECT_FALSE(inclusivelyBetween(11.0f, 0.0f, 10.0f));
  EXPECT_TRUE(inclusivelyBetween(3.0f, 3.0f, 3.0f));
  EXPECT_FALSE(inclusivelyBetween(3.5f, 3.0f, 3.0f));
}

// A seed whose first draw, taken modulo 4, is `residue`.
static uint32_t seedDrawing(int residue) {
  for (uint32_t seed = 1;; ++seed) {
    seedRandom(seed);
    if (drawRandom() % 4 == residue) return seed;
  }
}

TEST(ComputerRider, SwervesWhenTheEdgeIsSixtyAheadButNotSixtyOne) {
  clearArena(2);
  placeRider(1, 0.0f, 10240.0f - 145.0f, 0);
  riders[1].speed = 14.0f;
  steerComputerRider(1);
  EXPECT_NE(riders[1].heading, 0);
  EXPECT_EQ(riders[1].speed, 10.0f);
  EXPECT_EQ(riders[1].chaseTimer, 0);

  placeRider(1, 0.0f, 10240.0f - 146.0f, 0);
  riders[1].speed = 14.0f;
  clearRecordedSounds();
  steerComputerRider(1);
  EXPECT_EQ(riders[1].heading, 0);
  EXPECT_EQ(riders[1].speed, 14.0f + 0.003f);
  EXPECT_EQ(riders[1].chaseTimer, 1);
  EXPECT_EQ(recordedSoundCount, 0);
}

TEST(ComputerRider, OnEqualRoomSwervesTowardMinusZOrPlusX) {
  const struct {
    int heading;
    float x, z;
    int expected;
  } cases[] = {
      {0, 0.0f, 10240.0f - 145.0f, 1},   // along z: toward +x
      {2, 0.0f, -10240.0f + 145.0f, 1},
      {1, 10240.0f - 145.0f, 0.0f, 2},   // along x: toward -z
      {3, -10240.0f + 145.0f, 0.0f, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.heading);
    clearArena(2);
    placeRider(1, c.x, c.z, c.heading);
    steerComputerRider(1);
    EXPECT_EQ(riders[1].heading, c.expected);
  }
}

TEST(ComputerRider, SwervesTowardTheSideWithMoreRoom) {
  const struct {
    int heading;
    float x, z;
    int expected;
  } cases[] = {
      {0, 3000.0f, 10240.0f - 100.0f, 3},
      {0, -3000.0f, 10240.0f - 100.0f, 1},
      {2, 3000.0f, -10240.0f + 100.0f, 3},
      {2, -3000.0f, -10240.0f + 100.0f, 1},
      {1, 10240.0f - 100.0f, -3000.0f, 0},
      {1, 10240.0f - 100.0f, 3000.0f, 2},
      {3, -10240.0f + 100.0f, -3000.0f, 0},
      {3, -10240.0f + 100.0f, 3000.0f, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.heading << " " << c.x << " " << c.z);
    clearArena(2);
    placeRider(1, c.x, c.z, c.heading);
    steerComputerRider(1);
    EXPECT_EQ(riders[1].heading, c.expected);
  }
}

TEST(ComputerRider, BoxedInItStillSwervesTowardTheRoomierSideAndMayThenCrash) {
  clearArena(5);
  layTrail(2, {{20, -500}, {20, 500}});
  layTrail(3, {{-30, -500}, {-30, 500}});
  layTrail(4, {{-100, 145}, {100, 145}});  // 60 beyond the look-ahead point
  placeRider(1, 0.0f, 0.0f, 0);
  riders[1].speed = 21.0f;
  riders[1].chaseTimer = 57;
  steerComputerRider(1);
  EXPECT_EQ(riders[1].heading, 3);  // -x has 30 free, +x only 20
  EXPECT_EQ(riders[1].speed, 10.0f);
  EXPECT_EQ(riders[1].chaseTimer, 57);  // a swerve neither counts nor resets
  EXPECT_EQ(trailLength(1), 3);
  checkCollision(1);
  EXPECT_EQ(riders[1].speed, 0.0f);
  EXPECT_EQ(riders[3].score, 1);
}

TEST(ComputerRider, MeasuresToTheNearerEndOfAWall) {
  clearArena(3);
  layTrail(2, {{0, 5000}, {0, 140}});  // on the rider's line, its near end 55 past L
  placeRider(1, 0.0f, 0.0f, 0);
  steerComputerRider(1);
  EXPECT_EQ(riders[1].heading, 1);

  layTrail(2, {{0, 5000}, {0, 146}});  // 61 past L
  placeRider(1, 0.0f, 0.0f, 0);
  steerComputerRider(1);
  EXPECT_EQ(riders[1].heading, 0);
}

TEST(ComputerRider, ItsOwnWallAlongsideIsNotLostRoom) {
  // Travelling +x at the edge with more room toward +z: the wall it is drawing, which
  // contains it, must not count as a wall at distance 0 on the +z side.
  clearArena(2);
  layTrail(1, {{0, -9000}, {10240 - 85, -9000}});
  riders[1].speed = 10.0f;
  riders[1].heading = 1;
  riders[1].dirX = 1.0f;
  riders[1].dirZ = 0.0f;
  steerComputerRider(1);
  EXPECT_EQ(riders[1].heading, 0);
}

TEST(ComputerRider, OtherRidersWallsAlongsideDoCount) {
  // The same wall belonging to another rider takes the +z side's room.
  clearArena(3);
  layTrail(2, {{0, -9000}, {10240 - 85, -9000}});
  placeRider(1, 10240.0f - 85.0f, -9000.0f, 1);
  steerComputerRider(1);
  EXPECT_EQ(riders[1].heading, 2);
}

TEST(ComputerRider, TheChaseChanceComesEveryTwoHundredCallsWithOneDraw) {
  clearArena(2);
  placeRider(0, 5000.0f, 0.0f, 0);
  placeRider(1, 0.0f, 0.0f, 0);
  riders[1].target = 0;

  // Before the 200th call nothing is drawn.
  seedRandom(99);
  int32_t firstDraw = drawRandom();
  seedRandom(99);
  riders[1].chaseTimer = 197;
  steerComputerRider(1);
  steerComputerRider(1);
  EXPECT_EQ(riders[1].chaseTimer, 199);
  EXPECT_EQ(drawRandom(), firstDraw);

  // A non-zero draw: the timer starts again, no turn and no speed gain.
  for (int residue : {1, 2, 3}) {
    uint32_t seed = seedDrawing(residue);
    seedRandom(seed);
    drawRandom();
    int32_t secondDraw = drawRandom();
    seedRandom(seed);
    placeRider(1, 0.0f, 0.0f, 0);
    riders[1].speed = 13.5f;
    riders[1].chaseTimer = 199;
    clearRecordedSounds();
    steerComputerRider(1);
    EXPECT_EQ(riders[1].chaseTimer, 0);
    EXPECT_EQ(riders[1].heading, 0);
    EXPECT_EQ(riders[1].speed, 13.5f);
    EXPECT_EQ(recordedSoundCount, 0);
    EXPECT_EQ(drawRandom(), secondDraw);
  }

  // A zero draw: the chase turn, then the usual speed gain on top of the turn's 10.
  seedRandom(seedDrawing(0));
  placeRider(1, 0.0f, 0.0f, 0);
  riders[1].speed = 13.5f;
  riders[1].chaseTimer = 199;
  steerComputerRider(1);
  EXPECT_EQ(riders[1].chaseTimer, 0);
  EXPECT_EQ(riders[1].heading, 1);
  EXPECT_EQ(riders[1].speed, 10.0f + 0.003f);
  EXPECT_EQ(trailLength(1), 3);
}

// Steers rider 1 at (0, 0) with a chase chance due and a zero draw, the target at (tx, tz).
static int chaseHeading(int heading, float tx, float tz) {
  placeRider(0, tx, tz, 0);
  placeRider(1, 0.0f, 0.0f, heading);
  riders[1].chaseTimer = 199;
  seedRandom(seedDrawing(0));
  steerComputerRider(1);
  return riders[1].heading;
}

TEST(ComputerRider, ChaseTurnsTowardATargetStrictlyToOneSide) {
  clearArena(2);
  riders[1].target = 0;
  EXPECT_EQ(chaseHeading(0, 3000.0f, 0.0f), 1);
  EXPECT_EQ(chaseHeading(0, -3000.0f, 0.0f), 3);
  EXPECT_EQ(chaseHeading(2, 3000.0f, 0.0f), 1);
  EXPECT_EQ(chaseHeading(2, -3000.0f, 0.0f), 3);
  EXPECT_EQ(chaseHeading(1, 0.0f, 3000.0f), 0);
  EXPECT_EQ(chaseHeading(1, 0.0f, -3000.0f), 2);
  EXPECT_EQ(chaseHeading(3, 0.0f, 3000.0f), 0);
  EXPECT_EQ(chaseHeading(3, 0.0f, -3000.0f), 2);
  // On the rider's line, ahead or behind: no turn.
  EXPECT_EQ(chaseHeading(0, 0.0f, 3000.0f), 0);
  EXPECT_EQ(chaseHeading(0, 0.0f, -3000.0f), 0);
  EXPECT_EQ(chaseHeading(1, -3000.0f, 0.0f), 1);
  // One unit off the look-ahead point's line is enough.
  EXPECT_EQ(chaseHeading(3, -85.0f, 1.0f), 0);
}

TEST(ComputerRider, ChasesOnlyWithMoreThan480Free) {
  clearArena(3);
  riders[1].target = 0;
  layTrail(2, {{480, -1000}, {480, 1000}});
  EXPECT_EQ(chaseHeading(0, 3000.0f, 0.0f), 0);
  layTrail(2, {{481, -1000}, {481, 1000}});
  EXPECT_EQ(chaseHeading(0, 3000.0f, 0.0f), 1);
  // The side away from the target does not matter.
  layTrail(2, {{-100, -1000}, {-100, 1000}});
  EXPECT_EQ(chaseHeading(0, 3000.0f, 0.0f), 1);
}

TEST(ComputerRider, ARiderChasingItselfNeverTurns) {
  clearArena(2);
  riders[1].target = 1;
  for (int heading = 0; heading < 4; ++heading) {
    placeRider(1, 0.0f, 0.0f, heading);
    riders[1].chaseTimer = 199;
    seedRandom(seedDrawing(0));
    steerComputerRider(1);
    EXPECT_EQ(riders[1].heading, heading);
    EXPECT_EQ(riders[1].speed, 10.0f + 0.003f);
  }
}

TEST(ComputerRider, DoesNothingForACrashedRider) {
  clearArena(2);
  placeRider(1, 0.0f, 10240.0f - 100.0f, 0);
  riders[1].speed = 0.0f;
  riders[1].chaseTimer = 199;
  seedRandom(5);
  int32_t draw = drawRandom();
  seedRandom(5);
  steerComputerRider(1);
  EXPECT_EQ(riders[1].heading, 0);
  EXPECT_EQ(riders[1].speed, 0.0f);
  EXPECT_EQ(riders[1].chaseTimer, 199);
  EXPECT_EQ(drawRandom(), draw);
  EXPECT_EQ(recordedSoundCount, 0);
}

TEST(ComputerRider, InAttractModeTheLocalRiderChasesRiderOneAndSwervesToTen) {
  clearArena(2);
  demoActive = 1;
  seedRandom(3);
  respawnRider(0);
  EXPECT_EQ(riders[0].target, 1);
  // Swerve: the rule itself brings the local rider down to 10.
  placeRider(0, 0.0f, 10240.0f - 145.0f, 0);
  riders[0].speed = 19.0f;
  steerComputerRider(0);
  EXPECT_EQ(riders[0].heading, 1);
  EXPECT_EQ(riders[0].speed, 10.0f);
  // Chase: the turn leaves the local rider's speed alone, then the gain is added.
  placeRider(1, 4000.0f, 0.0f, 0);
  placeRider(0, 0.0f, 0.0f, 0);
  riders[0].speed = 19.0f;
  riders[0].chaseTimer = 199;
  seedRandom(seedDrawing(0));
  steerComputerRider(0);
  EXPECT_EQ(riders[0].heading, 1);
  EXPECT_EQ(riders[0].speed, 19.0f + 0.003f);
  demoActive = 0;
}
