// The per-node limits: 999 vertices and 2999 indices; one more ends the program.
#include <gtest/gtest.h>

#include <string>

#include "message_box_recorder.h"
#include "model/model_reader.h"
#include "model_test_support.h"

static std::string vertexFile(int firstList, int secondList) {
  std::string text = "DEF Part Transform {\ncoord DEF Points Coordinate { point [\n";
  for (int i = 0; i < firstList; ++i) text += std::to_string(i % 50) + " 1 " + std::to_string(i) + ",\n";
  text += "]\n";
  if (secondList > 0) {
    text += "coord [\n";
    for (int i = 0; i < secondList; ++i) text += "7 7 7\n";
    text += "]\n";
  }
  return text + "}\n}\n";
}

static std::string indexFile(int count) {
  std::string text = "DEF Part Transform { coordIndex [\n";
  for (int i = 0; i < count; ++i) text += (i % 4 == 3) ? "-1\n" : std::to_string(i % 4) + "\n";
  return text + "] }\n";
}

class ModelLimits : public ::testing::Test {
 protected:
  void SetUp() override {
    resetModelReader();
    clearRecordedMessageBoxes();
  }
  void TearDown() override { resetModelReader(); }
};

TEST_F(ModelLimits, ANodeHolds999Vertices) {
  ASSERT_EQ(1, loadModelText(vertexFile(999, 0)));
  ModelNode* points = findNode("POINTS");
  ASSERT_NE(nullptr, points);
  EXPECT_EQ(999, points->vertexCount);
  EXPECT_FLOAT_EQ(998.0f, points->vertices[998].z);
  EXPECT_FLOAT_EQ(48.0f, points->vertices[998].x);
  EXPECT_DOUBLE_EQ(998.0, maxCoordinate);
  EXPECT_EQ(0, recordedMessageBoxCount());
}

TEST_F(ModelLimits, TheThousandthVertexEndsTheProgram) {
  std::string path = writeModelFile(vertexFile(1000, 0));
  EXPECT_EXIT(loadModel(path.c_str()), ::testing::ExitedWithCode(1),
              "\\[Error\\]: Error! Too many vertices for this polygon!");
}

TEST_F(ModelLimits, ASecondVertexListCountsOnFromTheFirst) {
  ASSERT_EQ(1, loadModelText(vertexFile(997, 2)));
  ModelNode* points = findNode("POINTS");
  ASSERT_EQ(999, points->vertexCount);
  EXPECT_FLOAT_EQ(996.0f, points->vertices[996].z);
  EXPECT_FLOAT_EQ(7.0f, points->vertices[998].z);

  resetModelReader();
  std::string path = writeModelFile(vertexFile(998, 2));
  EXPECT_EXIT(loadModel(path.c_str()), ::testing::ExitedWithCode(1),
              "Too many vertices for this polygon!");
}

TEST_F(ModelLimits, ANodeHolds2999IndicesAndTheNextEndsTheProgram) {
  ASSERT_EQ(1, loadModelText(indexFile(2999)));
  ModelNode* part = findNode("PART");
  ASSERT_NE(nullptr, part);
  EXPECT_EQ(2999, part->indexCount);
  EXPECT_EQ(2, part->indices[2998]);
  EXPECT_EQ(-1, part->indices[2995]);
  EXPECT_EQ(0, recordedMessageBoxCount());

  resetModelReader();
  std::string path = writeModelFile(indexFile(3000));
  EXPECT_EXIT(loadModel(path.c_str()), ::testing::ExitedWithCode(1),
              "\\[Error\\]: Error! Too many indices for this polygon!");
}
