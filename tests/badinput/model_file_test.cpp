// "vask3.wrl" missing, empty, cut in half or garbage, through the start-up's own path:
// buildArena reads and sizes it, buildDisplayLists compiles the floor and every rider's
// four cycle lists (GL answered by the checking double of fuzz/gl_double.cpp).
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include "bad_files.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/gl_double.h"
#include "model/model_reader.h"
#include "render/arena.h"
#include "render/cycle_model.h"
#include "sim/riders.h"

namespace {

class ModelFileBadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    // The reader's state lives for the process; each case starts from a fresh one.
    nodeList = currentNode = 0;
    braceDepth = ignoreShadingMode = listOpen = listKind = 0;
    maxCoordinate = 0.0;
    riderCount = 3;
    for (int i = 0; i < MAX_RIDERS; i++) riders[i].colorRed = riders[i].colorGreen = 1.0f;
    clearMessageBoxes();
    resetGlDouble();
  }
  void TearDown() override {
    freeModelNodeList(nodeList);
    nodeList = 0;
    for (ModelNode*& copy : headingModels) {
      freeModelNodeList(copy);
      copy = 0;
    }
    free(faceShades);
    faceShades = 0;
    faceShadeCount = 0;
    leaveWorkDirectory();
  }

  // Start-up with the bad file up to the compiled lists; returns buildArena's result.
  int startUp(BadKind kind) {
    enterWorkDirectory("vask3.wrl", kind);
    int built = buildArena();
    if (built) {
      buildDisplayLists();
      checkGlDoubleBalanced();
    }
    return built;
  }
};

const int FLOOR_VERTICES = 4;

// Every vertex of every node lies within the 80 units of the sized model.
void expectSizedWithin80() {
  for (const ModelNode* copy = headingModels[0]; copy; copy = copy->next)
    for (int i = 0; i < copy->vertexCount; i++)
      for (float c : {copy->vertices[i].x, copy->vertices[i].y, copy->vertices[i].z})
        ASSERT_LE(fabsf(c), 80.01f);
}

TEST_F(ModelFileBadInput, MissingFileEndsStartUpWithItsMessage) {
  EXPECT_EQ(startUp(FILE_MISSING), 0);
  ASSERT_EQ(messageBoxCount, 1);
  EXPECT_STREQ(lastMessageBoxText, "Could not open .WRL file");
  EXPECT_EQ(glDoubleListsCompiled(), 0);
}

TEST_F(ModelFileBadInput, EmptyFileGivesAnEmptyModelAndTheGameGoesOn) {
  ASSERT_EQ(startUp(FILE_EMPTY), 1);
  EXPECT_EQ(messageBoxCount, 0);
  EXPECT_EQ(nodeList, nullptr);
  EXPECT_EQ(maxCoordinate, 0.0);  // nothing to size, and no division by zero
  EXPECT_EQ(glDoubleListsCompiled(), 1 + 4 * riderCount);
  EXPECT_EQ(glDoubleVertexCount(), FLOOR_VERTICES);  // the cycles draw nothing
}

TEST_F(ModelFileBadInput, GarbageReadsAsAModelWithoutFaces) {
  ASSERT_EQ(startUp(FILE_GARBAGE), 1);
  EXPECT_EQ(messageBoxCount, 0);
  EXPECT_EQ(headingModels[0], nullptr);  // not one DEF in it: no node at all
  EXPECT_EQ(glDoubleListsCompiled(), 1 + 4 * riderCount);
  EXPECT_EQ(glDoubleVertexCount(), FLOOR_VERTICES);
}

TEST_F(ModelFileBadInput, CutFileDrawsTheFacesItHolds) {
  ASSERT_EQ(startUp(FILE_TRUNCATED), 1);
  EXPECT_EQ(messageBoxCount, 0);
  EXPECT_EQ(glDoubleListsCompiled(), 1 + 4 * riderCount);
  EXPECT_GT(glDoubleVertexCount(), FLOOR_VERTICES);
  EXPECT_GT(faceShadeCount, 0);
  expectSizedWithin80();
}

// The whole file for comparison: the cut one draws fewer faces than it.
TEST_F(ModelFileBadInput, CutFileDrawsFewerFacesThanTheWholeOne) {
  ASSERT_EQ(startUp(FILE_TRUNCATED), 1);
  int cutShades = faceShadeCount;
  TearDown();
  SetUp();
  enterWorkDirectory(0, FILE_MISSING);
  ASSERT_EQ(buildArena(), 1);
  buildDisplayLists();
  EXPECT_LT(cutShades, faceShadeCount);
}

}  // namespace
