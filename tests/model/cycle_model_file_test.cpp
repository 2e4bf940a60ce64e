// The committed cycle model, read and sized the way arena set-up does it.
#include <gtest/gtest.h>

#include <math.h>

#include <string>

#include "message_box_recorder.h"
#include "model/model_reader.h"
#include "model/model_transform.h"
#include "model_test_support.h"

class CycleModelFile : public ::testing::Test {
 protected:
  void SetUp() override {
    resetModelReader();
    clearRecordedMessageBoxes();
    ASSERT_EQ(1, loadModel(VASK_DATA_DIR "/vask3.wrl"));
    normalizeModel();
    scaleModel(80.0);
  }
  void TearDown() override { resetModelReader(); }
};

TEST_F(CycleModelFile, IsSizedWithItsNoseAheadAndItsWheelsOnTheFloor) {
  float maxX = -1e9f, minX = 1e9f, minY = 1e9f, maxAbs = 0.0f;
  int rearContacts = 0, frontContacts = 0;
  for (ModelNode* n = nodeList; n; n = n->next) {
    for (int i = 0; i < n->vertexCount; ++i) {
      const ModelVertex& v = n->vertices[i];
      maxX = fmaxf(maxX, v.x);
      minX = fminf(minX, v.x);
      minY = fminf(minY, v.y);
      maxAbs = fmaxf(maxAbs, fmaxf(fabsf(v.x), fmaxf(fabsf(v.y), fabsf(v.z))));
      if (v.y < -11.9f) (v.x < 40.0f ? rearContacts : frontContacts)++;
      // The first-person eye sits 28 units up, 50 ahead: keep it clear of the cycle.
      if (v.x > 42.0f && v.x < 58.0f) {
        EXPECT_LE(v.y, 28.0f) << n->name << " vertex " << i;
      }
    }
  }
  EXPECT_NEAR(80.0f, maxX, 1e-3f);
  EXPECT_NEAR(80.0f, maxAbs, 1e-3f);  // the nose is the farthest point
  EXPECT_NEAR(-12.0f, minY, 0.05f);
  EXPECT_NEAR(0.0f, minX, 0.5f);  // the tail, where the wall leaves, is the origin
  EXPECT_GT(rearContacts, 0);
  EXPECT_GT(frontContacts, 0);
}

TEST_F(CycleModelFile, EveryFaceIsWithinTheDrawingLimits) {
  int faces = 0, flatNodes = 0, colouredNodes = 0, totalVertices = 0;
  for (ModelNode* n = nodeList; n; n = n->next) {
    if (n->vertexCount == 0) continue;
    totalVertices += n->vertexCount;
    // Vertices only draw through a parent holding their faces.
    ASSERT_NE(nullptr, n->parent) << n->name;
    const ModelNode* owner = n->parent;
    ASSERT_GT(owner->indexCount, 0) << n->name;
    EXPECT_LE(owner->indexCount, MAX_NODE_INDICES);
    EXPECT_LE(n->vertexCount, MAX_NODE_VERTICES);
    EXPECT_EQ(-1, owner->indices[owner->indexCount - 1]) << n->name;
    (n->ignoreShading ? flatNodes : colouredNodes)++;
    int run = 0;
    for (int i = 0; i < owner->indexCount; ++i) {
      int32_t index = owner->indices[i];
      if (index == -1) {
        EXPECT_GE(run, 3) << n->name << " entry " << i;
        if (run >= 3) ++faces;
        run = 0;
        continue;
      }
      EXPECT_GE(index, 0) << n->name;
      EXPECT_LT(index, n->vertexCount) << n->name;
      ++run;
      EXPECT_LE(run, 64) << n->name;
    }
  }
  EXPECT_LE(faces, 2000);
  EXPECT_GT(faces, 200);  // a shaped cycle, not a box
  EXPECT_GT(totalVertices, 200);
  EXPECT_GT(flatNodes, 0);
  EXPECT_GT(colouredNodes, 0);
  EXPECT_EQ(0, recordedMessageBoxCount());
}

TEST_F(CycleModelFile, FacesAreFlat) {
  // Each face is drawn as one flat polygon: its corners must lie in one plane.
  int checked = 0;
  for (ModelNode* n = nodeList; n; n = n->next) {
    if (n->vertexCount == 0 || !n->parent) continue;
    const ModelNode* owner = n->parent;
    int start = 0;
    for (int i = 0; i < owner->indexCount; ++i) {
      if (owner->indices[i] != -1) continue;
      int count = i - start;
      if (count >= 3) {
        const ModelVertex* f[64];
        for (int k = 0; k < count && k < 64; ++k) f[k] = &n->vertices[owner->indices[start + k]];
        float ax = f[1]->x - f[0]->x, ay = f[1]->y - f[0]->y, az = f[1]->z - f[0]->z;
        float bx = f[2]->x - f[0]->x, by = f[2]->y - f[0]->y, bz = f[2]->z - f[0]->z;
        float nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
        float length = sqrtf(nx * nx + ny * ny + nz * nz);
        EXPECT_GT(length, 1e-4f) << n->name << " face at " << start << " has collinear corners";
        for (int k = 3; k < count && length > 0; ++k) {
          float d = ((f[k]->x - f[0]->x) * nx + (f[k]->y - f[0]->y) * ny +
                     (f[k]->z - f[0]->z) * nz) / length;
          EXPECT_LT(fabsf(d), 0.05f) << n->name << " face at " << start;
        }
        ++checked;
      }
      start = i + 1;
    }
  }
  EXPECT_GT(checked, 0);
}
