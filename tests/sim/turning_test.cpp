// Quarter turns: heading and direction, the corner in the trail, the turn sound, the view.
#include <gtest/gtest.h>

#include "arena.h"
#include "audio/sound_effects.h"
#include "render/camera.h"
#include "sim/movement.h"
#include "sim/riders.h"
#include "sim/turning.h"
#include "tests/doubles/recorded_sound.h"

TEST(Turning, RightStepsThroughTheHeadingsAndLeftStepsBack) {
  clearArena(3);
  placeRider(2, 0.0f, 0.0f, 0);
  for (int expected : {1, 2, 3, 0}) {
    turnRider(2, TURN_RIGHT_KEY);
    ASSERT_EQ(riders[2].heading, expected);
    EXPECT_EQ(riders[2].dirX, expectedDirX[expected]);
    EXPECT_EQ(riders[2].dirZ, expectedDirZ[expected]);
  }
  for (int expected : {3, 2, 1, 0}) {
    turnRider(2, TURN_LEFT_KEY);
    ASSERT_EQ(riders[2].heading, expected);
    EXPECT_EQ(riders[2].dirX, expectedDirX[expected]);
    EXPECT_EQ(riders[2].dirZ, expectedDirZ[expected]);
  }
  EXPECT_EQ(TURN_LEFT_KEY, 37);
  EXPECT_EQ(TURN_RIGHT_KEY, 39);
}

TEST(Turning, OtherKeyCodesDoNothingAtAll) {
  clearArena(2);
  placeRider(0, 10.0f, 20.0f, 2);
  riders[0].speed = 17.0f;
  cameraYaw = 0.5f;
  for (int key : {0, 36, 38, 40, -37, 37 + 256, 1000}) {
    turnRider(0, key);
    turnRider(1, key);
  }
  EXPECT_EQ(riders[0].heading, 2);
  EXPECT_EQ(riders[0].dirZ, -1.0f);
  EXPECT_EQ(riders[0].speed, 17.0f);
  EXPECT_EQ(riders[1].speed, 0.0f);
  EXPECT_EQ(trailLength(0), 2);
  EXPECT_EQ(trailLength(1), 2);
  EXPECT_EQ(cameraYaw, 0.5f);
  EXPECT_EQ(recordedSoundCount, 0);
}

TEST(Turning, ComputerRidersDropToTenAndTheLocalRiderKeepsItsSpeed) {
  clearArena(2);
  placeRider(0, 0.0f, 0.0f, 0);
  placeRider(1, 500.0f, 0.0f, 0);
  riders[0].speed = 23.0f;
  riders[1].speed = 23.0f;
  turnRider(0, TURN_LEFT_KEY);
  turnRider(1, TURN_LEFT_KEY);
  EXPECT_EQ(riders[0].speed, 23.0f);
  EXPECT_EQ(riders[1].speed, 10.0f);
}

TEST(Turning, EveryTurnLeavesOneCornerWhereItHappened) {
  clearArena(2);
  placeRider(0, 0.0f, 0.0f, 1);
  const int keys[] = {TURN_LEFT_KEY, TURN_RIGHT_KEY, TURN_RIGHT_KEY, TURN_LEFT_KEY,
                      TURN_LEFT_KEY};
  Corner corners[6] = {{0, 0}};
  int n = 0;
  for (int key : keys) {
    for (int call = 0; call < 10; ++call) moveRider(0);
    corners[++n] = {riders[0].x, riders[0].z};
    turnRider(0, key);
    ASSERT_EQ(trailLength(0), n + 2);
    EXPECT_EQ(riders[0].trailTail->x, riders[0].x);
    EXPECT_EQ(riders[0].trailTail->z, riders[0].z);
  }
  moveRider(0);
  const TrailPoint* p = riders[0].trailHead;
  for (int i = 0; i <= n; ++i, p = p->next) {
    SCOPED_TRACE(i);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->x, corners[i].x);
    EXPECT_EQ(p->z, corners[i].z);
  }
  ASSERT_EQ(p, riders[0].trailTail);
  EXPECT_EQ(p->x, riders[0].x);
  EXPECT_EQ(p->z, riders[0].z);
  EXPECT_EQ(corners[1].x, 100.0f);
  EXPECT_EQ(corners[2].z, 100.0f);
}

TEST(Turning, TheTurnSoundIsPlacedRelativeToTheLocalRiderThenPlayed) {
  clearArena(4);
  placeRider(0, -300.0f, 700.0f, 0);
  placeRider(3, 700.0f, 900.0f, 0);
  turnRider(3, TURN_RIGHT_KEY);
  ASSERT_EQ(recordedSoundCount, 2);
  const RecordedSound& place = recordedSounds[0];
  EXPECT_EQ(place.op, SOUND_OP_PLACE);
  EXPECT_EQ(place.slot, SOUND_TURN);
  EXPECT_FLOAT_EQ(place.x, 5.0f);
  EXPECT_FLOAT_EQ(place.y, 1.0f);  // the world z difference
  EXPECT_EQ(place.z, 0.0f);
  EXPECT_EQ(place.vx, 0.0f);
  EXPECT_EQ(place.vy, 0.0f);
  EXPECT_EQ(place.vz, 0.0f);
  EXPECT_EQ(recordedSounds[1].op, SOUND_OP_PLAY);
  EXPECT_EQ(recordedSounds[1].slot, SOUND_TURN);

  clearRecordedSounds();
  turnRider(0, TURN_LEFT_KEY);
  ASSERT_EQ(recordedSoundCount, 2);
  EXPECT_EQ(recordedSounds[0].x, 0.0f);
  EXPECT_EQ(recordedSounds[0].y, 0.0f);
  EXPECT_EQ(recordedSounds[0].z, 0.0f);
}

TEST(Turning, OnlyTheLocalRidersTurnSnapsTheView) {
  clearArena(3);
  placeRider(0, 0.0f, 0.0f, 0);
  placeRider(2, 0.0f, 0.0f, 0);
  cameraYaw = 100.0f;
  turnRider(2, TURN_RIGHT_KEY);
  EXPECT_EQ(cameraYaw, 100.0f);
  for (int key : {TURN_RIGHT_KEY, TURN_RIGHT_KEY, TURN_RIGHT_KEY, TURN_LEFT_KEY}) {
    turnRider(0, key);
    EXPECT_EQ(cameraYaw, baseYaw[riders[0].heading]);
  }
}

TEST(Turning, ACrashedLocalRiderStillTurnsOnTheSpot) {
  clearArena(2);
  placeRider(0, 40.0f, 60.0f, 1);
  riders[0].speed = 0.0f;
  riders[0].crashTimer = 30;
  turnRider(0, TURN_RIGHT_KEY);
  EXPECT_EQ(riders[0].heading, 2);
  EXPECT_EQ(riders[0].speed, 0.0f);
  EXPECT_EQ(trailLength(0), 3);
  EXPECT_EQ(riders[0].trailTail->x, 40.0f);
  EXPECT_EQ(riders[0].trailTail->z, 60.0f);
  EXPECT_EQ(countRecordedSounds(SOUND_OP_PLAY, SOUND_TURN), 1);
}
