// Placing vertices through nested node transforms, and sizing the whole model.
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include "model/model_reader.h"
#include "model/model_transform.h"
#include "model_test_support.h"

static const float kPi = 3.14159265f;

static ModelNode plainNode() {
  ModelNode node = {};
  node.scale[0] = node.scale[1] = node.scale[2] = 1.0f;
  return node;
}

static ModelVertex at(float x, float y, float z) {
  ModelVertex v = {};
  v.x = x;
  v.y = y;
  v.z = z;
  return v;
}

#define EXPECT_AT(vx, vy, vz, v)     \
  do {                               \
    EXPECT_NEAR(vx, (v).x, 1e-5f);   \
    EXPECT_NEAR(vy, (v).y, 1e-5f);   \
    EXPECT_NEAR(vz, (v).z, 1e-5f);   \
  } while (0)

TEST(ModelTransform, ScaleThenRotateThenTranslate) {
  ModelNode node = plainNode();
  node.scale[0] = node.scale[1] = node.scale[2] = 2.0f;
  node.rotationAxis[1] = 1.0f;
  node.rotationAngle = kPi / 2;
  node.translation[0] = 10.0f;
  ModelVertex v = at(1, 0, 0);
  transformModelVertex(&node, &v);
  EXPECT_AT(10.0f, 0.0f, -2.0f, v);

  // The same through a child with no transform of its own.
  ModelNode child = plainNode();
  child.parent = &node;
  ModelVertex w = at(1, 0, 0);
  transformModelVertex(&child, &w);
  EXPECT_AT(10.0f, 0.0f, -2.0f, w);
}

TEST(ModelTransform, TheChildsTransformComesFirst) {
  ModelNode parent = plainNode();
  parent.rotationAxis[2] = 1.0f;
  parent.rotationAngle = kPi / 2;
  ModelNode child = plainNode();
  child.parent = &parent;
  child.translation[0] = 5.0f;
  child.scale[1] = 3.0f;
  ModelVertex v = at(0, 1, 0);
  transformModelVertex(&child, &v);
  // Child: (0, 3, 0) then (5, 3, 0); parent turns that about z: (-3, 5, 0).
  EXPECT_AT(-3.0f, 5.0f, 0.0f, v);
}

TEST(ModelTransform, RotationsAreRightHanded) {
  float x = 1, y = 0, z = 0;
  rotateAboutAxis(x, y, z, 0, 0, 1, kPi / 2);
  EXPECT_NEAR(0.0f, x, 1e-6f);
  EXPECT_NEAR(1.0f, y, 1e-6f);
  EXPECT_NEAR(0.0f, z, 1e-6f);

  x = 0, y = 1, z = 0;
  rotateAboutAxis(x, y, z, 1, 0, 0, kPi / 2);
  EXPECT_NEAR(0.0f, x, 1e-6f);
  EXPECT_NEAR(0.0f, y, 1e-6f);
  EXPECT_NEAR(1.0f, z, 1e-6f);

  x = 3, y = -2, z = 5;
  rotateAboutAxis(x, y, z, 0, 1, 0, kPi);
  EXPECT_NEAR(-3.0f, x, 1e-5f);
  EXPECT_FLOAT_EQ(-2.0f, y);
  EXPECT_NEAR(-5.0f, z, 1e-5f);

  // A third of a turn about the diagonal moves x onto y.
  const float d = 1.0f / sqrtf(3.0f);
  x = 1, y = 0, z = 0;
  rotateAboutAxis(x, y, z, d, d, d, 2 * kPi / 3);
  EXPECT_NEAR(0.0f, x, 1e-5f);
  EXPECT_NEAR(1.0f, y, 1e-5f);
  EXPECT_NEAR(0.0f, z, 1e-5f);
}

TEST(ModelTransform, AZeroAngleLeavesThePointWhateverTheAxis) {
  ModelNode node = plainNode();
  node.rotationAxis[0] = 5.0f;
  node.rotationAxis[1] = 5.0f;
  node.rotationAxis[2] = 5.0f;
  ModelVertex v = at(1.5f, -2.0f, 3.0f);
  transformModelVertex(&node, &v);
  EXPECT_FLOAT_EQ(1.5f, v.x);
  EXPECT_FLOAT_EQ(-2.0f, v.y);
  EXPECT_FLOAT_EQ(3.0f, v.z);
}

class ModelSizing : public ::testing::Test {
 protected:
  void SetUp() override { resetModelReader(); }
  void TearDown() override { resetModelReader(); }
};

TEST_F(ModelSizing, NormalisingThenScalingBy80MakesTheLargestCoordinate80) {
  ASSERT_EQ(1, loadModelText("DEF A Transform { coord DEF P Coordinate { point [\n"
                             "  1 -4 0.5, 2 3 -1 ] } }\n"
                             "DEF B Transform { translation 0 0 1 coord DEF Q Coordinate {\n"
                             "  point [ 0 0 -3 ] } }\n"));
  ASSERT_DOUBLE_EQ(4.0, maxCoordinate);
  normalizeModel();
  scaleModel(80.0);
  ModelNode* p = findNode("P");
  ModelNode* q = findNode("Q");
  EXPECT_AT(20.0f, -80.0f, 10.0f, p->vertices[0]);
  EXPECT_AT(40.0f, 60.0f, -20.0f, p->vertices[1]);
  EXPECT_AT(0.0f, 0.0f, -40.0f, q->vertices[0]);
  EXPECT_DOUBLE_EQ(4.0, maxCoordinate);  // sizing leaves the reader's record alone
}

TEST_F(ModelSizing, AnEmptyModelIsLeftAlone) {
  ASSERT_EQ(1, loadModelText("DEF A Transform { coordIndex [ 0 1 2 -1 ] }\n"));
  normalizeModel();
  scaleModel(80.0);
  ModelNode* a = findNode("A");
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(0, a->vertexCount);
  EXPECT_EQ(nullptr, a->vertices);
  EXPECT_EQ(4, a->indexCount);
  EXPECT_DOUBLE_EQ(0.0, maxCoordinate);
}

TEST_F(ModelSizing, AModelAllAtTheOriginIsNotDividedByZero) {
  ASSERT_EQ(1, loadModelText("DEF A Transform { coord DEF P Coordinate { point [ 0 0 0 ] } }\n"));
  ASSERT_DOUBLE_EQ(0.0, maxCoordinate);
  normalizeModel();
  ModelVertex v = findNode("P")->vertices[0];
  EXPECT_FALSE(isnan(v.x) || isnan(v.y) || isnan(v.z));
  EXPECT_EQ(0.0f, v.x);
}
