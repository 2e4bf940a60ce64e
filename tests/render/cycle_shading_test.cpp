// Face shades: the light factor from the face normal, truncation, packing and clamping.
#include <gtest/gtest.h>
#include <math.h>

#include "model_nodes.h"
#include "render/cycle_model.h"

namespace {

uint32_t packed(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

struct Face {
  ModelVertex v[4];
};

Face face(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2, float z2) {
  Face f = {};
  f.v[0].x = x0, f.v[0].y = y0, f.v[0].z = z0;
  f.v[1].x = x1, f.v[1].y = y1, f.v[1].z = z1;
  f.v[2].x = x2, f.v[2].y = y2, f.v[2].z = z2;
  return f;
}

// A fresh, empty shade table (copying an empty model starts one).
void freshShadeTable() {
  clearModelState();
  ModelNode* none = 0;
  makeHeadingCopy(&none, 0.0, 1.0);
  ASSERT_NE(faceShades, nullptr);
  ASSERT_EQ(faceShadeCount, 0);
}

TEST(FaceShade, LightComesFromAboveAndFromPlusZOnBothSides) {
  freshShadeTable();
  Face up = face(0, 0, 0, 0, 0, 1, 1, 0, 0);          // normal +y
  Face down = face(0, 0, 0, 1, 0, 0, 0, 0, 1);        // normal -y
  Face front = face(0, 0, 0, 1, 0, 0, 0, 1, 0);       // normal +z
  Face side = face(0, 0, 0, 0, 1, 0, 0, 0, 1);        // normal +x
  Face towardLight = face(0, 0, 0, 0, 3, -3, 3, 0, 0);  // normal along -(0, 1, 1)
  Face acrossLight = face(0, 0, 0, 0, 1, 1, 1, 0, 0);   // normal along (0, 1, -1)
  shadeFace(3, up.v, 255, 255, 255);
  shadeFace(3, down.v, 255, 255, 255);
  shadeFace(3, front.v, 255, 255, 255);
  shadeFace(3, side.v, 255, 255, 255);
  shadeFace(3, towardLight.v, 255, 255, 255);
  shadeFace(3, acrossLight.v, 255, 255, 255);
  ASSERT_EQ(faceShadeCount, 6);
  EXPECT_EQ(faceShades[0], packed(180, 180, 180));  // 255 * 0.7071 = 180.3
  EXPECT_EQ(faceShades[1], packed(180, 180, 180));
  EXPECT_EQ(faceShades[2], packed(180, 180, 180));
  EXPECT_EQ(faceShades[3], 0u);
  EXPECT_EQ(faceShades[4], packed(254, 254, 254));  // 0.7071 * sqrt 2 is just under 1
  EXPECT_EQ(faceShades[5], 0u);
}

TEST(FaceShade, ChannelsAreTruncatedAndPackedRedLowest) {
  freshShadeTable();
  Face up = face(0, 0, 0, 0, 0, 1, 1, 0, 0);
  shadeFace(3, up.v, 255, 100, 10);  // 180.3, 70.7, 7.07
  ASSERT_EQ(faceShadeCount, 1);
  EXPECT_EQ(faceShades[0], packed(180, 70, 7));
}

TEST(FaceShade, OnlyTheFirstThreeVerticesCount) {
  freshShadeTable();
  Face collinear = face(0, 0, 0, 1, 1, 1, 2, 2, 2);
  collinear.v[3].x = 5, collinear.v[3].y = 0, collinear.v[3].z = 9;  // would span a plane
  shadeFace(4, collinear.v, 255, 255, 255);
  EXPECT_EQ(faceShadeCount, 1);
  EXPECT_EQ(faceShades[0], 0u);  // collinear: shade 0, the face draws black

  Face up = face(0, 0, 0, 0, 0, 1, 1, 0, 0);
  shadeFace(2, up.v, 255, 255, 255);
  shadeFace(0, up.v, 255, 255, 255);
  EXPECT_EQ(faceShadeCount, 1);  // fewer than three vertices: no entry
}

TEST(FaceShade, OutOfRangeChannelsSaturateWithoutSpilling) {
  freshShadeTable();
  Face up = face(0, 0, 0, 0, 0, 1, 1, 0, 0);
  shadeFace(3, up.v, 600, 0, 0);       // 424 would carry into green
  shadeFace(3, up.v, 0, 0, 2000);      // 1414 would land in the top byte
  shadeFace(3, up.v, -300, 255, 0);    // negative stays at 0, not wrapped
  Face broken = face(NAN, 0, 0, 0, 0, 1, 1, 0, 0);
  shadeFace(3, broken.v, 255, 255, 255);
  ASSERT_EQ(faceShadeCount, 4);
  EXPECT_EQ(faceShades[0], packed(255, 0, 0));
  EXPECT_EQ(faceShades[1], packed(0, 0, 255));
  EXPECT_EQ(faceShades[2], packed(0, 180, 0));
  EXPECT_EQ(faceShades[3], 0u);  // a broken vertex gives a black face, not garbage
}

TEST(FaceShade, TheTableHoldsAtMostTheModelLimit) {
  freshShadeTable();
  Face up = face(0, 0, 0, 0, 0, 1, 1, 0, 0);
  for (int i = 0; i < MAX_MODEL_FACES + 5; i++) shadeFace(3, up.v, 255, 255, 255);
  EXPECT_EQ(faceShadeCount, MAX_MODEL_FACES);
}

}  // namespace
