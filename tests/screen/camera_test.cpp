// The rider cameras: the frame's step order, yaw smoothing and the four views.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include "camera_doubles.h"
#include "render/attract_mode.h"
#include "render/camera.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

namespace {
void expectLook(const RecordedLook& look, double ex, double ey, double ez, double tx, double ty,
                double tz) {
  EXPECT_NEAR(look.eye[0], ex, 1e-3);
  EXPECT_NEAR(look.eye[1], ey, 1e-3);
  EXPECT_NEAR(look.eye[2], ez, 1e-3);
  EXPECT_NEAR(look.target[0], tx, 1e-2);
  EXPECT_NEAR(look.target[1], ty, 1e-3);
  EXPECT_NEAR(look.target[2], tz, 1e-2);
  EXPECT_EQ(look.up[0], 0.0);
  EXPECT_EQ(look.up[1], 1.0);
  EXPECT_EQ(look.up[2], 0.0);
}

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memset(riders, 0, sizeof riders);
    riderCount = 3;
    demoActive = 0;
    viewMode = 0;
    lookDirection = 3;
    cameraYaw = 0.0f;
    placeRider(0, 100.0f, -200.0f, 1);
    clearCameraRecords();
  }
};

TEST_F(CameraTest, LookAtMirroredNegatesTheEyeAndTargetXOnly) {
  lookAtMirrored(1.5f, 2.0f, 3.0f, -4.0f, 5.0f, 6.0f, 7.0f, 8.0f, 9.0f);
  ASSERT_EQ(recordedLookCount, 1);
  const RecordedLook& look = lastLook();
  EXPECT_EQ(look.eye[0], -1.5);
  EXPECT_EQ(look.eye[1], 2.0);
  EXPECT_EQ(look.eye[2], 3.0);
  EXPECT_EQ(look.target[0], 4.0);
  EXPECT_EQ(look.target[1], 5.0);
  EXPECT_EQ(look.target[2], 6.0);
  EXPECT_EQ(look.up[0], 7.0);  // the up vector goes through unchanged
  EXPECT_EQ(look.up[1], 8.0);
  EXPECT_EQ(look.up[2], 9.0);
}

TEST_F(CameraTest, EveryTakingPartRiderMovesInOrderBeforeTheCameraIsPlaced) {
  for (int count = 2; count <= 5; count++) {
    riderCount = count;
    for (viewMode = 0; viewMode < 4; viewMode++) {
      clearCameraRecords();
      updateFrame();
      ASSERT_EQ(stepLogCount, count + 1) << "riders " << count << " view " << viewMode;
      for (int i = 0; i < count; i++) EXPECT_EQ(stepLog[i], i);
      EXPECT_EQ(stepLog[count], -1);
    }
  }
}

TEST_F(CameraTest, FirstPersonYawCoversHalfTheRemainingAngleEachRepaint) {
  placeRider(0, 100.0f, -200.0f, 0);  // +z: base yaw 1.570795
  const float fractions[] = {0.5f, 0.75f, 0.875f, 0.9375f};
  for (float fraction : fractions) {
    updateFrame();
    EXPECT_NEAR(cameraYaw, 1.570795f * fraction, 1e-6f);
  }
  // The view itself uses the yaw just smoothed: eye 50 ahead, target 20000 out, both 30 up.
  float yaw = cameraYaw;
  expectLook(lastLook(), -100.0, 42.0, -150.0, -(100.0 + 20000.0 * cos(yaw)), 42.0,
             -200.0 + 20000.0 * sin(yaw));
}

TEST_F(CameraTest, LookingAroundMovesAlongTheRealLineWithoutWrapping) {
  // Looking back while travelling -x aims at 3.14159 + 3.14159, not at 0.
  placeRider(0, 0.0f, 0.0f, 3);
  cameraYaw = 3.14159f;
  lookDirection = 2;
  updateFrame();
  EXPECT_NEAR(cameraYaw, 4.712385f, 1e-5f);
  for (int i = 0; i < 40; i++) updateFrame();
  EXPECT_NEAR(cameraYaw, 6.28318f, 1e-5f);

  // Looking right while travelling +x aims below zero.
  placeRider(0, 0.0f, 0.0f, 1);
  cameraYaw = 0.0f;
  lookDirection = 1;
  for (int i = 0; i < 40; i++) updateFrame();
  EXPECT_NEAR(cameraYaw, -1.570795f, 1e-5f);

  // Looking left while travelling +z turns toward -x, the side a left turn leads to.
  placeRider(0, 0.0f, 0.0f, 0);
  cameraYaw = 1.570795f;
  lookDirection = 0;
  for (int i = 0; i < 40; i++) updateFrame();
  EXPECT_NEAR(cameraYaw, 3.14159f, 1e-5f);
  const RecordedLook& look = lastLook();
  EXPECT_GT(look.target[0] - look.eye[0], 19000.0);  // world -x is GL +x
}

TEST_F(CameraTest, ChaseAndHighViewsLookFromTheMinusZSideWhicheverWayTheRiderGoes) {
  placeRider(0, 300.0f, 500.0f, 2);  // travelling -z, toward these cameras
  cameraYaw = 0.25f;
  viewMode = 1;
  updateFrame();
  expectLook(lastLook(), -300.0, 112.0, 250.0, -300.0, 52.0, 500.0);
  viewMode = 2;
  updateFrame();
  expectLook(lastLook(), -500.0, 137.0, 250.0, -300.0, 52.0, 500.0);
  viewMode = 3;
  updateFrame();
  expectLook(lastLook(), -300.0, 2012.0, -524.0, -300.0, 12.0, 1524.0);
  EXPECT_EQ(cameraYaw, 0.25f);  // only the first-person view smooths
}

TEST_F(CameraTest, AttractModeIgnoresTheViewAndLeavesTheYawAlone) {
  demoActive = 1;
  viewMode = 0;
  lookDirection = 0;
  cameraYaw = 0.25f;
  shotType = 1;
  shotRider = 1;
  shotTimer = 10;
  shotEyeX = 40.0f;
  shotEyeY = 250.0f;
  shotEyeZ = -60.0f;
  placeRider(1, 7.0f, 9.0f, 0);
  updateFrame();
  EXPECT_EQ(cameraYaw, 0.25f);
  EXPECT_EQ(shotTimer, 11);
  expectLook(lastLook(), -40.0, 250.0, -60.0, -7.0, 42.0, 9.0);
  demoActive = 0;
}
}  // namespace
