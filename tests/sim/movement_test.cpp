// Movement in 2-unit sub-steps, the speed limits, trail growth and the crash countdown.
#include <gtest/gtest.h>
#include <math.h>

#include "arena.h"
#include "audio/sound_effects.h"
#include "sim/collision.h"
#include "sim/movement.h"
#include "sim/random.h"
#include "sim/riders.h"
#include "sim/ui_state.h"
#include "tests/doubles/recorded_sound.h"

// Distance covered by one call of a rider riding along +x from the origin.
static float distanceInOneCall(int rider, float speed, float accel) {
  clearArena(2);
  placeRider(rider, 0.0f, 0.0f, 1);
  riders[rider].speed = speed;
  riders[rider].accel = accel;
  moveRider(rider);
  return riders[rider].x;
}

TEST(Movement, SubStepsUntilTheDistanceReachesTheSpeed) {
  EXPECT_EQ(distanceInOneCall(0, 10.0f, 0.0f), 10.0f);    // 5 sub-steps
  EXPECT_EQ(distanceInOneCall(0, 25.0f, 0.0f), 26.0f);    // 13 sub-steps, not 12.5
  EXPECT_EQ(distanceInOneCall(0, 10.003f, 0.0f), 12.0f);  // 6 sub-steps
  EXPECT_EQ(distanceInOneCall(0, 11.0f, 0.0f), 12.0f);
  EXPECT_EQ(distanceInOneCall(0, 12.0f, 0.0f), 12.0f);
  // Acceleration counts per sub-step: after five it is 10.04 > 10, so a sixth follows.
  EXPECT_EQ(distanceInOneCall(0, 10.0f, 0.008f), 12.0f);
  EXPECT_NEAR(riders[0].speed, 10.048f, 1e-4f);
}

TEST(Movement, ComputerRidersGainSpeedEverySubStepSoTakeSixAtTen) {
  EXPECT_EQ(distanceInOneCall(1, 10.0f, 0.0f), 12.0f);
  EXPECT_NEAR(riders[1].speed, 10.018f, 1e-4f);
  EXPECT_EQ(riders[1].chaseTimer, 6);
}

TEST(Movement, SpeedStaysWithinTenAndTwentyFive) {
  clearArena(2);
  placeRider(0, -5000.0f, 0.0f, 1);
  riders[0].accel = -0.008f;
  for (int call = 0; call < 50; ++call) {
    float before = riders[0].x;
    moveRider(0);
    ASSERT_EQ(riders[0].speed, 10.0f);
    ASSERT_EQ(riders[0].x - before, 10.0f);  // slows to 10 and never stops by itself
  }
  riders[0].speed = 24.99f;
  riders[0].accel = 0.008f;
  moveRider(0);
  EXPECT_EQ(riders[0].speed, 25.0f);
  float before = riders[0].x;
  moveRider(0);
  EXPECT_EQ(riders[0].x - before, 26.0f);
  EXPECT_EQ(riders[0].speed, 25.0f);
}

TEST(Movement, TheTrailEndFollowsTheRiderAndTheCornersStay) {
  clearArena(2);
  placeRider(0, 100.0f, 200.0f, 0);
  moveRider(0);
  const Rider& r = riders[0];
  EXPECT_EQ(r.x, 100.0f);
  EXPECT_EQ(r.z, 210.0f);
  ASSERT_EQ(trailLength(0), 2);
  EXPECT_EQ(r.trailHead->x, 100.0f);
  EXPECT_EQ(r.trailHead->z, 200.0f);
  EXPECT_EQ(r.trailTail->x, 100.0f);
  EXPECT_EQ(r.trailTail->z, 210.0f);
  EXPECT_EQ(r.trailTail->y, 0.0f);
  EXPECT_EQ(r.trailTail->mapX, 100.0f * 0.009765625f + 125.0f);
  EXPECT_EQ(r.trailTail->mapY, 125.0f - 210.0f * 0.009765625f);
  EXPECT_EQ(recordedSoundCount, 0);
}

TEST(Movement, ACrashEndsTheCallAfterTheSubStepItHappenedIn) {
  clearArena(2);
  // The look-ahead point reaches the edge after one sub-step and passes it after two.
  placeRider(0, 10240.0f - 85.0f - 2.0f, 0.0f, 1);
  moveRider(0);
  EXPECT_EQ(riders[0].x, 10157.0f);
  EXPECT_EQ(riders[0].speed, 0.0f);
  EXPECT_EQ(riders[0].trailTail->x, 10157.0f);
  EXPECT_EQ(riders[0].score, -1);

  float x = riders[0].x;
  moveRider(0);  // crashed: counts down, does not move
  EXPECT_EQ(riders[0].x, x);
  EXPECT_EQ(riders[0].trailTail->x, x);
  EXPECT_EQ(riders[0].crashTimer, 1);
}

TEST(Movement, TheCollisionTestComesBeforeTheSteering) {
  // One sub-step takes the look-ahead point past the edge: the rider crashes before its
  // rule gets the chance to swerve, and the rule then leaves the crashed rider alone.
  clearArena(2);
  placeRider(1, 10240.0f - 86.0f, 0.0f, 1);
  riders[1].chaseTimer = 5;
  moveRider(1);
  EXPECT_EQ(riders[1].speed, 0.0f);
  EXPECT_EQ(riders[1].heading, 1);
  EXPECT_EQ(riders[1].x, 10240.0f - 84.0f);
  EXPECT_EQ(riders[1].chaseTimer, 5);
  EXPECT_EQ(trailLength(1), 2);
  EXPECT_EQ(riders[1].score, -1);
  EXPECT_EQ(countRecordedSounds(SOUND_OP_PLAY, SOUND_TURN), 0);
}

TEST(Movement, WarningAtEightyRespawnAndEngineAtOneTwentyMovingAtOnce) {
  for (int rider : {0, 1}) {
    SCOPED_TRACE(rider);
    clearArena(3);
    placeRider(rider, 0.0f, 0.0f, 1);
    crashRider(rider, -1);
    const float crashX = riders[rider].x;
    for (int call = 1; call <= 119; ++call) {
      clearRecordedSounds();
      moveRider(rider);
      ASSERT_EQ(riders[rider].crashTimer, call);
      ASSERT_EQ(riders[rider].speed, 0.0f);
      ASSERT_EQ(riders[rider].x, crashX);
      if (call == 80) {
        ASSERT_EQ(recordedSoundCount, 1);
        EXPECT_EQ(recordedSounds[0].op, SOUND_OP_PLAY);
        EXPECT_EQ(recordedSounds[0].slot, SOUND_TURN);
      } else {
        ASSERT_EQ(recordedSoundCount, 0) << "call " << call;
      }
    }
    clearRecordedSounds();
    moveRider(rider);
    const Rider& r = riders[rider];
    EXPECT_EQ(r.crashTimer, 0);
    EXPECT_GE(r.speed, 10.0f);
    ASSERT_EQ(countRecordedSounds(SOUND_OP_PLAY, rider), 1);
    EXPECT_EQ(recordedSounds[0].op, SOUND_OP_PLAY);
    EXPECT_EQ(recordedSounds[0].slot, rider);
    // Moved away from the spawn spot, where the trail begins, in this same call.
    ASSERT_EQ(trailLength(rider), 2);
    float moved = fabsf(r.x - r.trailHead->x) + fabsf(r.z - r.trailHead->z);
    EXPECT_GE(moved, 10.0f);
    EXPECT_EQ(r.trailTail->x, r.x);
    EXPECT_EQ(r.trailTail->z, r.z);
  }
}

TEST(Movement, TheLocalRiderIsSteeredOnlyInAttractMode) {
  // 145 units from the edge: any steered rider swerves at once.
  clearArena(2);
  placeRider(0, 0.0f, 10240.0f - 145.0f, 0);
  moveRider(0);
  EXPECT_EQ(riders[0].heading, 0);
  EXPECT_EQ(riders[0].x, 0.0f);
  EXPECT_EQ(riders[0].z, 10240.0f - 135.0f);
  EXPECT_EQ(countRecordedSounds(SOUND_OP_PLAY, SOUND_TURN), 0);
  EXPECT_EQ(riders[0].chaseTimer, 0);

  clearArena(2);
  demoActive = 1;
  placeRider(0, 0.0f, 10240.0f - 145.0f, 0);
  riders[0].speed = 17.0f;
  moveRider(0);
  EXPECT_EQ(riders[0].heading, 1);
  EXPECT_GT(riders[0].x, 0.0f);
  EXPECT_EQ(countRecordedSounds(SOUND_OP_PLAY, SOUND_TURN), 1);
  EXPECT_GT(riders[0].speed, 0.0f);
  EXPECT_LT(riders[0].speed, 11.0f);
  demoActive = 0;
}

// Every position, corner and look-ahead point stays a whole number, every wall runs along
// an axis and ends on its rider, speeds stay in their limits: over a long seeded match.
TEST(Movement, ALongSelfRunningMatchKeepsItsInvariants) {
  clearArena(5);
  demoActive = 1;
  seedRandom(20240601u);
  resetMatch();
  int crashes = 0, turns = 0;
  for (int frame = 0; frame < 4000; ++frame) {
    clearRecordedSounds();
    for (int i = 0; i < riderCount; ++i) moveRider(i);
    crashes += countRecordedSounds(SOUND_OP_PLAY, SOUND_BOOM) +
               countRecordedSounds(SOUND_OP_PLAY, SOUND_BOOM2);
    turns += countRecordedSounds(SOUND_OP_PLACE, SOUND_TURN);
    ASSERT_EQ(droppedSoundCount, 0);
    for (int i = 0; i < riderCount; ++i) {
      const Rider& r = riders[i];
      ASSERT_EQ(r.x, truncf(r.x)) << "rider " << i << " frame " << frame;
      ASSERT_EQ(r.z, truncf(r.z));
      ASSERT_LE(fabsf(r.x), 10240.0f);
      ASSERT_LE(fabsf(r.z), 10240.0f);
      ASSERT_TRUE(r.speed == 0.0f || (r.speed >= 10.0f && r.speed <= 25.0031f)) << r.speed;
      ASSERT_EQ(fabsf(r.dirX) + fabsf(r.dirZ), 1.0f);
      ASSERT_EQ(r.trailTail->x, r.x);
      ASSERT_EQ(r.trailTail->z, r.z);
      ASSERT_GE(trailLength(i), 2);
      for (const TrailPoint* p = r.trailHead; p->next; p = p->next) {
        ASSERT_EQ(p->x, truncf(p->x));
        ASSERT_EQ(p->z, truncf(p->z));
        ASSERT_TRUE(p->x == p->next->x || p->z == p->next->z);
      }
    }
  }
  demoActive = 0;
  EXPECT_GT(crashes, 0);
  EXPECT_GT(turns, 0);
}
