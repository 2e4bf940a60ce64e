// The sphere around each heading's cycle: it holds every vertex that heading draws, it sits
// where that heading puts the model, and a model it cannot bound is always drawn.
#include <gtest/gtest.h>
#include <math.h>

#include "model_nodes.h"
#include "render/cycle_model.h"

namespace {

// A lopsided shape: 60 along the nose (+x), 10 up, and 4 to one side.
const float SHAPE[] = {0, 0, 0, 60, 0, 0, 60, 10, 0, 0, 0, 4, 30, 5, -4};
const int32_t FACES[] = {0, 1, 2, -1, 0, 3, 4, 1, -1};

class CycleBoundsTest : public ::testing::Test {
 protected:
  void SetUp() override { clearModelState(); }
  void TearDown() override { clearModelState(); }

  void makeCopies() {
    makeHeadingCopy(&headingModels[0], -1, 0);
    makeHeadingCopy(&headingModels[1], 1, 0);
    makeHeadingCopy(&headingModels[2], 0, -1);
    makeHeadingCopy(&headingModels[3], 0, 1);
    measureCycleBounds();
  }
};

TEST_F(CycleBoundsTest, EachHeadingsSphereHoldsItsVerticesAsDrawnAndSitsAlongItsNose) {
  ModelNode* shape = pushModelNode(0, 0, 0, 9, FACES);
  pushModelNode(shape, 5, SHAPE, 0, 0);
  makeCopies();
  // Where the nose points in GL coordinates (world x negated) for headings +z, +x, -z, -x.
  const float noseX[4] = {0, -1, 0, 1}, noseZ[4] = {1, 0, -1, 0};
  // The copies in build order are (-1,0) +z, (1,0) -z, (0,-1) -x, (0,1) +x.
  const int copyOf[4] = {0, 3, 1, 2};
  for (int h = 0; h < 4; h++) {
    const CycleBounds& b = cycleBounds[h];
    ASSERT_GT(b.radius, 0) << h;
    // Tight: no more than half the box's diagonal, 60 by 10 by 8.
    EXPECT_LE(b.radius, 0.5f * sqrtf(60 * 60 + 10 * 10 + 8 * 8) + 0.01f) << h;
    EXPECT_NEAR(b.x, 30 * noseX[h], 0.01) << h;
    EXPECT_NEAR(b.z, 30 * noseZ[h], 0.01) << h;
    EXPECT_NEAR(b.y, 5, 0.01) << h;
    int held = 0;
    for (const ModelNode* copy = headingModels[copyOf[h]]; copy; copy = copy->next)
      for (int i = 0; i < copy->vertexCount; i++) {
        const ModelVertex& v = copy->vertices[i];
        float dx = -v.x - b.x, dy = v.y - b.y, dz = v.z - b.z;
        EXPECT_LE(sqrtf(dx * dx + dy * dy + dz * dz), b.radius + 1e-3f) << h << " vertex " << i;
        held++;
      }
    EXPECT_EQ(held, 5) << h;
  }
}

TEST_F(CycleBoundsTest, ModelsWithoutAFiniteSphereAreAlwaysDrawn) {
  makeCopies();  // no model at all
  for (int h = 0; h < 4; h++) EXPECT_LT(cycleBounds[h].radius, 0) << h;

  float broken[15];
  for (int i = 0; i < 15; i++) broken[i] = SHAPE[i];
  broken[7] = NAN;  // vertex 2's height
  ModelNode* shape = pushModelNode(0, 0, 0, 9, FACES);
  pushModelNode(shape, 5, broken, 0, 0);
  makeCopies();
  for (int h = 0; h < 4; h++) EXPECT_LT(cycleBounds[h].radius, 0) << "NaN, heading " << h;

  clearModelState();
  broken[7] = 10;
  broken[3] = 3e38f;  // finite, but its square is not
  shape = pushModelNode(0, 0, 0, 9, FACES);
  pushModelNode(shape, 5, broken, 0, 0);
  makeCopies();
  for (int h = 0; h < 4; h++) EXPECT_LT(cycleBounds[h].radius, 0) << "huge, heading " << h;
}

}  // namespace
