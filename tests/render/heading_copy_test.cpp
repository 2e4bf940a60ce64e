// Heading copies of the model: the turn about the vertical axis, deep copies with their
// parents relinked, and the face walk over whole and damaged index lists.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "model_nodes.h"
#include "render/cycle_model.h"

namespace {

const uint32_t LIT = 180 | (180 << 8) | (180 << 16);  // a level or upright-z face at 255

// Vertices 0..3: a level square; 4: off to +x above vertex 0 (0, 4, 5 are upright-x).
const float SQUARE[] = {0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1, 0};

struct Shape {
  ModelNode* shape;   // owns the face indices
  ModelNode* points;  // owns the vertices
};

Shape pushShape(const int32_t* indices, int indexCount, int vertexCount = 5,
                const float* xyz = SQUARE) {
  Shape s;
  s.shape = pushModelNode(0, 0, 0, indexCount, indices);
  s.shape->diffuseColor[0] = s.shape->diffuseColor[1] = s.shape->diffuseColor[2] = 255;
  s.points = pushModelNode(s.shape, vertexCount, xyz, 0, 0);
  return s;
}

class HeadingCopy : public ::testing::Test {
 protected:
  void SetUp() override { clearModelState(); }
  void TearDown() override { clearModelState(); }
};

TEST_F(HeadingCopy, EachCopyTurnsTheModelsNoseOntoItsHeading) {
  const float nose[] = {1, 0, 0, 0, 7, 2};
  pushModelNode(0, 2, nose, 0, 0);
  struct Case {
    double a, b;
    float x, z;  // where the nose (1, 0, 0) ends up
    float x2, z2;  // where (0, 7, 2) ends up
  } cases[] = {
      {-1, 0, 0, 1, -2, 0},  // heading 0 travels +z
      {1, 0, 0, -1, 2, 0},   // heading 2 travels -z
      {0, -1, -1, 0, 0, -2}, // heading 3 travels -x
      {0, 1, 1, 0, 0, 2},    // heading 1 travels +x: unrotated
  };
  for (const Case& c : cases) {
    ModelNode* copy = 0;
    makeHeadingCopy(&copy, c.a, c.b);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->vertexCount, 2);
    EXPECT_FLOAT_EQ(copy->vertices[0].x, c.x) << c.a << "," << c.b;
    EXPECT_FLOAT_EQ(copy->vertices[0].y, 0);
    EXPECT_FLOAT_EQ(copy->vertices[0].z, c.z) << c.a << "," << c.b;
    EXPECT_FLOAT_EQ(copy->vertices[1].x, c.x2) << c.a << "," << c.b;
    EXPECT_FLOAT_EQ(copy->vertices[1].y, 7);
    EXPECT_FLOAT_EQ(copy->vertices[1].z, c.z2) << c.a << "," << c.b;
    EXPECT_FLOAT_EQ(nodeList->vertices[0].x, 1);  // the source is left as it was
    EXPECT_FLOAT_EQ(nodeList->vertices[0].z, 0);
    free(copy->vertices);
    free(copy);
  }
  const float expected[16] = {1, 0, -0.0f, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(headingMatrix[i], expected[i]) << i;
}

TEST_F(HeadingCopy, CopiesAreDeepAndKeepTheirParentsInPlace) {
  const int32_t faces[] = {0, 1, 2, -1};
  pushShape(faces, 4);
  Shape second = pushShape(faces, 4);
  pushModelNode(0, 5, SQUARE, 0, 0);  // vertices but no parent
  second.shape->ignoreShading = 1;

  ModelNode* copy = 0;
  makeHeadingCopy(&copy, 0.0, 1.0);
  const ModelNode* source = nodeList;
  const ModelNode* copies[5];
  int n = 0;
  for (const ModelNode* c = copy; c; c = c->next, source = source->next) {
    ASSERT_LT(n, 5);
    ASSERT_NE(source, nullptr);
    copies[n++] = c;
    EXPECT_NE(c, source);
    EXPECT_EQ(c->vertexCount, source->vertexCount);
    EXPECT_EQ(c->indexCount, source->indexCount);
    EXPECT_EQ(c->ignoreShading, source->ignoreShading);
    if (c->vertexCount) {
      EXPECT_NE(c->vertices, source->vertices);
    } else {
      EXPECT_EQ(c->vertices, nullptr);
    }
    if (c->indexCount) {
      EXPECT_NE(c->indices, source->indices);
    } else {
      EXPECT_EQ(c->indices, nullptr);
    }
  }
  ASSERT_EQ(n, 5);
  EXPECT_EQ(source, nullptr);
  // nodeList order: loose, second.points, second.shape, first.points, first.shape
  EXPECT_EQ(copies[0]->parent, nullptr);
  EXPECT_EQ(copies[1]->parent, copies[2]);
  EXPECT_EQ(copies[2]->parent, nullptr);
  EXPECT_EQ(copies[3]->parent, copies[4]);
  EXPECT_EQ(copies[4]->parent, nullptr);

  // Changing the source afterwards leaves the copy alone.
  nodeList->next->vertices[1].x = 99;
  nodeList->next->next->indices[0] = 3;
  EXPECT_FLOAT_EQ(copies[1]->vertices[1].x, 0);
  EXPECT_EQ(copies[2]->indices[0], 0);
  headingModels[3] = copy;  // freed with the rest
}

TEST_F(HeadingCopy, FacesComeFromTheParentsIndicesAndShortFacesTakeNoShade) {
  // level, a two-vertex face, upright-x, upright-z (0 1 4 lies in the x = 0 plane)
  const int32_t faces[] = {0, 1, 3, 2, -1, 1, 3, -1, 0, 1, 4, -1, 0, 2, 4, -1};
  pushShape(faces, 16);
  makeHeadingCopy(&headingModels[3], 0.0, 1.0);
  ASSERT_EQ(faceShadeCount, 3);
  EXPECT_EQ(faceShades[0], LIT);
  EXPECT_EQ(faceShades[1], 0u);
  EXPECT_EQ(faceShades[2], LIT);
}

TEST_F(HeadingCopy, TheLastCopyLeavesTheShadeTableOfTheUnrotatedModel) {
  const int32_t faces[] = {0, 2, 4, -1};  // upright along z: faces +z unrotated
  pushShape(faces, 4);
  makeHeadingCopy(&headingModels[3], 0.0, 1.0);
  EXPECT_EQ(faceShades[0], LIT);
  makeHeadingCopy(&headingModels[0], -1.0, 0.0);  // turned, it faces x: unlit
  ASSERT_EQ(faceShadeCount, 1);
  EXPECT_EQ(faceShades[0], 0u);
}

TEST_F(HeadingCopy, NodesWithoutParentOrVerticesHaveNoFaces) {
  const int32_t faces[] = {0, 1, 2, -1};
  ModelNode* shape = pushModelNode(0, 5, SQUARE, 4, faces);  // own vertices, no parent
  shape->diffuseColor[0] = 255;
  pushModelNode(shape, 0, 0, 0, 0);  // a child with no vertices
  makeHeadingCopy(&headingModels[3], 0.0, 1.0);
  EXPECT_EQ(faceShadeCount, 0);
}

TEST_F(HeadingCopy, DamagedIndexListsDrawWhatTheyCanAndStayInBounds) {
  // leading -1s; entries past the 5 vertices and below -1 skipped (the face keeps 0 1 2);
  // a face that loses all but two entries is dropped; the last face has no -1.
  const int32_t faces[] = {-1, -1, 5, 0, 1, 99, -7, 2, -1, 7, 0, 1, -1, -1, 0, 2, 4};
  pushShape(faces, 17);
  makeHeadingCopy(&headingModels[3], 0.0, 1.0);
  ASSERT_EQ(faceShadeCount, 2);
  EXPECT_EQ(faceShades[0], LIT);
  EXPECT_EQ(faceShades[1], LIT);
}

TEST_F(HeadingCopy, AFaceLongerThanTheLimitIsCutAndLaterFacesStillCount) {
  int32_t faces[MAX_FACE_VERTICES + 20 + 5];
  int n = 0;
  for (int i = 0; i < MAX_FACE_VERTICES + 20; i++) faces[n++] = i % 4;
  faces[n++] = -1;
  faces[n++] = 0, faces[n++] = 2, faces[n++] = 4, faces[n++] = -1;
  pushShape(faces, n);
  makeHeadingCopy(&headingModels[3], 0.0, 1.0);
  ASSERT_EQ(faceShadeCount, 2);
  EXPECT_EQ(faceShades[0], LIT);
  EXPECT_EQ(faceShades[1], LIT);
}

TEST_F(HeadingCopy, NoMoreThanTheFaceLimitAcrossNodes) {
  enum { PER_NODE = 900 };
  static int32_t faces[PER_NODE * 4];
  for (int i = 0; i < PER_NODE; i++) {
    faces[4 * i] = 0, faces[4 * i + 1] = 1, faces[4 * i + 2] = 2, faces[4 * i + 3] = -1;
  }
  pushShape(faces, PER_NODE * 4);
  pushShape(faces, PER_NODE * 4);
  pushShape(faces, PER_NODE * 4);
  makeHeadingCopy(&headingModels[3], 0.0, 1.0);
  EXPECT_EQ(faceShadeCount, MAX_MODEL_FACES);
  EXPECT_EQ(faceShades[MAX_MODEL_FACES - 1], LIT);
}

}  // namespace
