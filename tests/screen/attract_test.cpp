// The attract tour: the six camera moves, shot timing and the engines heard from the eye.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include "camera_doubles.h"
#include "render/attract_mode.h"
#include "sim/riders.h"
#include "tests/doubles/recorded_sound.h"

namespace {
// Starts a shot of this move on this rider, as the random draws would pick it.
void startShot(int type, int rider) {
  const int32_t draws[] = {type, rider};
  scriptRandom(draws, 2);
  chooseAttractShot();
}

class AttractTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memset(riders, 0, sizeof riders);
    riderCount = 4;
    placeRider(0, 0.0f, 0.0f, 0);
    placeRider(1, -500.0f, 700.0f, 1);   // travelling +x
    placeRider(2, 1000.0f, -3000.0f, 0); // travelling +z
    placeRider(3, 4000.0f, 4000.0f, 3);
    clearCameraRecords();
  }
};

TEST_F(AttractTest, ClosingSideViewRunsFrom800To4UnitsThenTheNextShotStarts) {
  const int32_t draws[] = {0, 2, 3, 1};
  scriptRandom(draws, 4);
  chooseAttractShot();
  ASSERT_EQ(shotType, 0);
  ASSERT_EQ(shotRider, 2);
  for (int k = 0; k < 200; k++) placeAttractCamera();
  ASSERT_EQ(recordedLookCount, 200);
  // Travelling +z, the eye sits on +x, 30 up, looking at the rider 30 up.
  for (int k : {0, 1, 100, 199}) {
    const RecordedLook& look = recordedLooks[k];
    EXPECT_NEAR(look.eye[0], -(1000.0 + 800.0 - 4.0 * k), 1e-3) << k;
    EXPECT_NEAR(look.eye[1], 42.0, 1e-4);
    EXPECT_NEAR(look.eye[2], -3000.0, 1e-3);
    EXPECT_NEAR(look.target[0], -1000.0, 1e-3);
    EXPECT_NEAR(look.target[1], 42.0, 1e-4);
    EXPECT_NEAR(look.target[2], -3000.0, 1e-3);
    EXPECT_EQ(look.up[1], 1.0);
  }
  // The 200th repaint ended the shot; the next one starts fresh.
  EXPECT_EQ(shotType, 3);
  EXPECT_EQ(shotRider, 1);
  EXPECT_EQ(shotTimer, 0);
  EXPECT_EQ(shotDistance, 800.0f);
}

TEST_F(AttractTest, EveryMoveLastsExactly200Repaints) {
  const int32_t draws[] = {0, 1, 1, 2, 2, 3, 3, 0, 4, 1, 5, 2, 7, 9};
  scriptRandom(draws, sizeof draws / sizeof draws[0]);
  chooseAttractShot();
  for (int type = 0; type < 6; type++) {
    ASSERT_EQ(shotType, type);
    for (int k = 0; k < 200; k++) {
      ASSERT_EQ(shotTimer, k) << "move " << type;
      placeAttractCamera();
    }
    EXPECT_EQ(shotTimer, 0) << "move " << type;
  }
  // Draws are taken modulo 6 and modulo the rider count.
  EXPECT_EQ(shotType, 1);
  EXPECT_EQ(shotRider, 1);
  EXPECT_EQ(recordedLookCount, 1200);
}

TEST_F(AttractTest, StoppingSideViewHoldsItsEyeAfter60RepaintsAndKeepsFollowing) {
  startShot(3, 1);  // travelling +x: the eye sits on +z, 50 up
  for (int k = 0; k < 60; k++) {
    placeAttractCamera();
    EXPECT_NEAR(recordedLooks[k].eye[2], 700.0 + 800.0 - 10.0 * k, 1e-3) << k;
    EXPECT_NEAR(recordedLooks[k].eye[0], 500.0, 1e-3);
    EXPECT_NEAR(recordedLooks[k].eye[1], 62.0, 1e-4);
  }
  riders[1].x = 1500.0f;  // rides on; the eye stays 210 beside where it was
  for (int k = 60; k < 200; k++) placeAttractCamera();
  const RecordedLook& last = recordedLooks[199];
  EXPECT_NEAR(last.eye[0], 500.0, 1e-3);
  EXPECT_NEAR(last.eye[1], 62.0, 1e-4);
  EXPECT_NEAR(last.eye[2], 910.0, 1e-3);
  EXPECT_NEAR(last.target[0], -1500.0, 1e-3);
  EXPECT_NEAR(last.target[1], 42.0, 1e-4);
  EXPECT_NEAR(last.target[2], 700.0, 1e-3);
}

TEST_F(AttractTest, FixedEyesAheadAreSetOnceAndTurnToFollowTheRider) {
  startShot(1, 2);  // 1200 ahead, 250 up
  EXPECT_NEAR(shotEyeX, 1000.0f, 1e-3f);
  EXPECT_NEAR(shotEyeY, 262.0f, 1e-3f);
  EXPECT_NEAR(shotEyeZ, -1800.0f, 1e-3f);

  startShot(2, 2);  // along z: 800 ahead, pushed 200 along x
  EXPECT_NEAR(shotEyeX, 1200.0f, 1e-3f);
  EXPECT_NEAR(shotEyeY, 162.0f, 1e-3f);
  EXPECT_NEAR(shotEyeZ, -2200.0f, 1e-3f);

  startShot(2, 1);  // along x: pushed 200 along z
  EXPECT_NEAR(shotEyeX, 300.0f, 1e-3f);
  EXPECT_NEAR(shotEyeY, 162.0f, 1e-3f);
  EXPECT_NEAR(shotEyeZ, 900.0f, 1e-3f);
  placeAttractCamera();
  riders[1].x += 100.0f;
  placeAttractCamera();
  ASSERT_EQ(recordedLookCount, 2);
  for (int k = 0; k < 2; k++) {
    EXPECT_NEAR(recordedLooks[k].eye[0], -300.0, 1e-3);
    EXPECT_NEAR(recordedLooks[k].eye[2], 900.0, 1e-3);
  }
  EXPECT_NEAR(recordedLooks[0].target[0], 500.0, 1e-3);
  EXPECT_NEAR(recordedLooks[1].target[0], 400.0, 1e-3);
}

TEST_F(AttractTest, OrbitCirclesTheRiderAtRadiusAndHeight300) {
  startShot(4, 3);
  for (int k = 0; k < 120; k++) placeAttractCamera();
  for (int k : {0, 50, 119}) {
    const RecordedLook& look = recordedLooks[k];
    double angle = 0.03 * k;
    EXPECT_NEAR(look.eye[0], -(4000.0 + 300.0 * cos(angle)), 2e-3) << k;
    EXPECT_NEAR(look.eye[1], 312.0, 1e-4);
    EXPECT_NEAR(look.eye[2], 4000.0 + 300.0 * sin(angle), 2e-3) << k;
    EXPECT_NEAR(look.target[0], -4000.0, 1e-3);
    EXPECT_NEAR(look.target[1], 42.0, 1e-4);
  }
  // The eye is kept for the sounds.
  EXPECT_NEAR(shotEyeX, 4000.0 + 300.0 * cos(0.03 * 119), 2e-3);
  EXPECT_NEAR(shotEyeZ, 4000.0 + 300.0 * sin(0.03 * 119), 2e-3);
}

TEST_F(AttractTest, PanStartsFromTheSameEyeAndAngleWhicheverRiderWasDrawn) {
  for (int rider : {0, 3}) {
    clearCameraRecords();
    startShot(5, rider);
    for (int k = 0; k < 100; k++) placeAttractCamera();
    for (int k : {0, 99}) {
      const RecordedLook& look = recordedLooks[k];
      double angle = 3.14159 / 3 + 0.003 * k;
      EXPECT_NEAR(look.eye[0], 0.0, 1e-6);
      EXPECT_NEAR(look.eye[1], 2000.0, 1e-6);
      EXPECT_NEAR(look.eye[2], -10000.0, 1e-6);
      EXPECT_NEAR(look.target[0], -5000.0 * cos(angle), 2e-3) << k;
      EXPECT_NEAR(look.target[1], 0.0, 1e-6);
      EXPECT_NEAR(look.target[2], 5000.0 * sin(angle), 2e-3) << k;
    }
  }
}

TEST_F(AttractTest, EnginesAreHeardRelativeToTheTouringEye) {
  riderCount = 3;
  shotEyeX = 100.0f;
  shotEyeY = 999.0f;
  shotEyeZ = -200.0f;
  clearRecordedSounds();
  placeAttractSounds();
  ASSERT_EQ(recordedSoundCount, 3);
  for (int i = 0; i < 3; i++) {
    const RecordedSound& s = recordedSounds[i];
    EXPECT_EQ(s.op, SOUND_OP_PLACE);
    EXPECT_EQ(s.slot, i);
    EXPECT_NEAR(s.x, (riders[i].x - 100.0f) * 0.0025f, 1e-5f);
    EXPECT_NEAR(s.y, (riders[i].z + 200.0f) * 0.0025f, 1e-5f);  // world z in the second place
    EXPECT_EQ(s.z, 0.0f);
    EXPECT_EQ(s.vx, riders[i].dirX);
    EXPECT_EQ(s.vy, riders[i].dirZ);
    EXPECT_EQ(s.vz, 0.0f);
  }
}
}  // namespace
