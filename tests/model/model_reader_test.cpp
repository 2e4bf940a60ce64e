// The model reader: words, comments, lists, braces and the node tree they build.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "message_box_recorder.h"
#include "model/model_reader.h"
#include "model_test_support.h"

class ModelReader : public ::testing::Test {
 protected:
  void SetUp() override {
    resetModelReader();
    clearRecordedMessageBoxes();
  }
  void TearDown() override { resetModelReader(); }
};

TEST_F(ModelReader, KeywordsAndNamesAreReadWhateverTheirCase) {
  ASSERT_EQ(1, loadModelText("def body Transform {\n"
                             "  Translation 1 2 3\n"
                             "  sCaLe 2 2 2\n"
                             "  material Material { diffusecolor 1 0.5 0 }\n"
                             "}\n"));
  ASSERT_EQ(1, countNodes());
  ModelNode* body = findNode("BODY");
  ASSERT_NE(nullptr, body);
  EXPECT_FLOAT_EQ(2.0f, body->translation[1]);
  EXPECT_FLOAT_EQ(3.0f, body->translation[2]);
  EXPECT_FLOAT_EQ(2.0f, body->scale[0]);
  EXPECT_FLOAT_EQ(127.5f, body->diffuseColor[1]);
  EXPECT_EQ(0, braceDepth);
  EXPECT_EQ(nullptr, currentNode);
  EXPECT_EQ(0, recordedMessageBoxCount());
}

TEST_F(ModelReader, ACommentWordDropsTheRestOfItsLine) {
  ASSERT_EQ(1, loadModelText("# DEF Hidden Transform {\n"
                             "DEF A Transform {\n"
                             "  scale 2 3 4 #note DEF B Transform { scale 9 9 9 }\n"
                             "  translation 5 0 0\n"
                             "}\n"));
  EXPECT_EQ(nullptr, findNode("HIDDEN"));
  EXPECT_EQ(nullptr, findNode("B"));
  ModelNode* a = findNode("A");
  ASSERT_NE(nullptr, a);
  EXPECT_FLOAT_EQ(2.0f, a->scale[0]);
  EXPECT_FLOAT_EQ(3.0f, a->scale[1]);
  EXPECT_FLOAT_EQ(4.0f, a->scale[2]);
  EXPECT_FLOAT_EQ(5.0f, a->translation[0]);  // the next line is read again
  EXPECT_EQ(0, braceDepth);  // the dropped "{" and "}" were not counted
}

TEST_F(ModelReader, ShadingDirectivesMarkOnlyNodesMadeAfterThem) {
  ASSERT_EQ(1, loadModelText("DEF Before Transform {\n"
                             "#IGNORESHADING DEF Dropped Transform { }\n"
                             "DEF Plain Transform { }\n"
                             "}\n"
                             "DEF Flat Transform { }\n"
                             "#unignoreshading\n"
                             "DEF After Transform { }\n"));
  EXPECT_EQ(nullptr, findNode("DROPPED"));
  ASSERT_NE(nullptr, findNode("BEFORE"));
  EXPECT_EQ(0, findNode("BEFORE")->ignoreShading);
  EXPECT_EQ(1, findNode("PLAIN")->ignoreShading);
  EXPECT_EQ(1, findNode("FLAT")->ignoreShading);
  EXPECT_EQ(0, findNode("AFTER")->ignoreShading);
}

TEST_F(ModelReader, VertexListsCloseOnASeparateOrFusedBracket) {
  ASSERT_EQ(1, loadModelText("DEF Shape Transform {\n"
                             "coord DEF Sep Coordinate { point [\n"
                             "  1 2 3, 4 5 6\n"
                             "  ]\n"
                             "  translation 7 0 0\n"
                             "}\n"
                             "coord DEF Fused Coordinate { point [ -1.5 2e1 .25,\n"
                             "  4 5 6] translation 8 0 0 }\n"
                             "}\n"));
  for (const char* name : {"SEP", "FUSED"}) {
    ModelNode* node = findNode(name);
    ASSERT_NE(nullptr, node) << name;
    ASSERT_EQ(2, node->vertexCount) << name;
    EXPECT_FLOAT_EQ(4.0f, node->vertices[1].x) << name;
    EXPECT_FLOAT_EQ(5.0f, node->vertices[1].y) << name;
    EXPECT_FLOAT_EQ(6.0f, node->vertices[1].z) << name;
  }
  ModelNode* fused = findNode("FUSED");
  EXPECT_FLOAT_EQ(-1.5f, fused->vertices[0].x);
  EXPECT_FLOAT_EQ(20.0f, fused->vertices[0].y);
  EXPECT_FLOAT_EQ(0.25f, fused->vertices[0].z);
  // After the list, words are keywords again, not vertices.
  EXPECT_FLOAT_EQ(7.0f, findNode("SEP")->translation[0]);
  EXPECT_FLOAT_EQ(8.0f, fused->translation[0]);
  EXPECT_EQ(0, listOpen);
  EXPECT_EQ(0, listKind);
  EXPECT_DOUBLE_EQ(20.0, maxCoordinate);
}

TEST_F(ModelReader, FacesGoToTheNodeThatHoldsTheCoordinateBlock) {
  ASSERT_EQ(1, loadModelText(
                   "DEF Early Transform { }\n"
                   "DEF Part Transform {\n"
                   "  children [ Shape {\n"
                   "    appearance Appearance { material Material {\n"
                   "      diffuseColor 1 0 0 specularColor 0 0 1 ambientIntensity 0.5 } }\n"
                   "    geometry IndexedFaceSet {\n"
                   "      coord DEF PartCoords Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }\n"
                   "      coordIndex [ 0, 1, 2, -1, 0, 2, 3, -1]\n"
                   "    }\n"
                   "  } ]\n"
                   "}\n"));
  ModelNode* part = findNode("PART");
  ModelNode* coords = findNode("PARTCOORDS");
  ASSERT_NE(nullptr, part);
  ASSERT_NE(nullptr, coords);
  EXPECT_EQ(part, coords->parent);
  EXPECT_EQ(nullptr, part->parent);
  EXPECT_EQ(nodeList, coords);  // newest first
  EXPECT_EQ(4, coords->vertexCount);
  EXPECT_EQ(0, coords->indexCount);
  EXPECT_EQ(0, part->vertexCount);
  ASSERT_EQ(8, part->indexCount);
  const int32_t expected[8] = {0, 1, 2, -1, 0, 2, 3, -1};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(expected[i], part->indices[i]) << i;
  // The colours set on the part before its coordinates were defined are inherited;
  // a node made before them keeps its zeros.
  EXPECT_FLOAT_EQ(255.0f, coords->diffuseColor[0]);
  EXPECT_FLOAT_EQ(0.0f, coords->diffuseColor[1]);
  EXPECT_FLOAT_EQ(255.0f, coords->specularColor[2]);
  EXPECT_FLOAT_EQ(0.5f, coords->ambientIntensity);
  EXPECT_FLOAT_EQ(0.0f, findNode("EARLY")->diffuseColor[0]);
  EXPECT_EQ(0, part->depth);
  EXPECT_EQ(3, coords->depth);
  EXPECT_EQ(0, braceDepth);
  EXPECT_EQ(nullptr, currentNode);
}

TEST_F(ModelReader, ChildrenListsAndUnknownWordsAreSkipped) {
  ASSERT_EQ(1, loadModelText("DEF Outer Group { children [\n"
                             "  DEF Inner Transform { translation 1 1 1 }\n"
                             "  USE Inner\n"
                             "  Inline { url \"x.wrl\" }\n"
                             "] }\n"));
  EXPECT_EQ(2, countNodes());
  ASSERT_NE(nullptr, findNode("INNER"));
  EXPECT_EQ(findNode("OUTER"), findNode("INNER")->parent);
  EXPECT_EQ(nullptr, findNode("OUTER")->vertices);
  EXPECT_EQ(nullptr, findNode("OUTER")->indices);
  EXPECT_EQ(0, listOpen);
}

TEST_F(ModelReader, KeywordsWithoutANodeDoNothing) {
  ASSERT_EQ(1, loadModelText("scale 5 5 5 translation 1 2 3 coord [ 1 2 3 ]\n"
                             "DEF Late Transform { }\n"));
  ASSERT_EQ(1, countNodes());
  ModelNode* late = findNode("LATE");
  EXPECT_FLOAT_EQ(1.0f, late->scale[0]);
  EXPECT_FLOAT_EQ(0.0f, late->translation[0]);
  EXPECT_EQ(0, late->vertexCount);
  EXPECT_DOUBLE_EQ(0.0, maxCoordinate);
}

TEST_F(ModelReader, TranslationsAddUpAndTransformsApplyOnlyToLaterVertices) {
  ASSERT_EQ(1, loadModelText("DEF Node Transform {\n"
                             "  translation 1 0 0\n"
                             "  translation 0 2 0\n"
                             "  coord DEF Pts Coordinate { point [ 0 0 0 ] }\n"
                             "  translation 0 0 3\n"
                             "  coord DEF Later Coordinate { point [ 0 0 0 ] }\n"
                             "}\n"));
  ModelNode* node = findNode("NODE");
  EXPECT_FLOAT_EQ(1.0f, node->translation[0]);
  EXPECT_FLOAT_EQ(2.0f, node->translation[1]);
  EXPECT_FLOAT_EQ(3.0f, node->translation[2]);
  ModelVertex first = findNode("PTS")->vertices[0];
  ModelVertex later = findNode("LATER")->vertices[0];
  EXPECT_FLOAT_EQ(1.0f, first.x);
  EXPECT_FLOAT_EQ(2.0f, first.y);
  EXPECT_FLOAT_EQ(0.0f, first.z);
  EXPECT_FLOAT_EQ(3.0f, later.z);
  EXPECT_DOUBLE_EQ(3.0, maxCoordinate);
}

TEST_F(ModelReader, InnerTransformAppliesBeforeTheOuterOne) {
  // The inner node scales x by 3, the outer one moves it 10 along x: 3 + 10. Applying
  // them the other way round would give 3 * (1 + 10) = 33.
  ASSERT_EQ(1, loadModelText("DEF Outer Transform { translation 10 0 0 children [\n"
                             "  DEF Inner Transform { scale 3 1 1\n"
                             "    coord DEF P Coordinate { point [ 1 0 0 ] } } ] }\n"));
  EXPECT_FLOAT_EQ(13.0f, findNode("P")->vertices[0].x);
  EXPECT_DOUBLE_EQ(13.0, maxCoordinate);
}

TEST_F(ModelReader, MaxCoordinateTracksTheLargestMagnitudeAfterPlacement) {
  ASSERT_EQ(1, loadModelText("DEF N Transform { translation 0 -10 0\n"
                             "coord DEF P Coordinate { point [ 6 3 0, -2 1 -7 ] } }\n"));
  // y values become -7 and -9: |-9| is the largest.
  EXPECT_DOUBLE_EQ(9.0, maxCoordinate);
}

TEST_F(ModelReader, LongLinesAreReadInPiecesOf511Characters) {
  // "DEF" ends exactly at character 511, so its name arrives with the next piece and
  // reads as a word of its own.
  std::string line(508, ' ');
  line += "DEF Cut Transform { }\n";
  ASSERT_EQ(1, loadModelText(line));
  ASSERT_EQ(1, countNodes());
  EXPECT_STREQ("", nodeList->name);

  resetModelReader();
  // The name ends exactly at character 511...
  std::string fits(504, ' ');
  fits += "DEF Cut Transform { }\n";
  ASSERT_EQ(1, loadModelText(fits));
  ASSERT_EQ(1, countNodes());
  EXPECT_STREQ("CUT", nodeList->name);

  // ...or is split by the cut.
  resetModelReader();
  std::string split(505, ' ');
  split += "DEF Cut Transform { }\n";
  ASSERT_EQ(1, loadModelText(split));
  ASSERT_EQ(1, countNodes());
  EXPECT_STREQ("CU", nodeList->name);
}

TEST_F(ModelReader, LongNamesAreCutToFit) {
  std::string name(300, 'q');
  ASSERT_EQ(1, loadModelText("DEF " + name + " Transform { translation 4 5 6 }\n"));
  ASSERT_EQ(1, countNodes());
  EXPECT_EQ(std::string(MODEL_NAME_SIZE - 1, 'Q'), std::string(nodeList->name));
  EXPECT_FLOAT_EQ(4.0f, nodeList->translation[0]);
  EXPECT_FLOAT_EQ(1.0f, nodeList->scale[0]);
}

TEST_F(ModelReader, AMissingFileIsReportedAndLoadsNothing) {
  EXPECT_EQ(0, loadModel("/nonexistent-directory/vask3.wrl"));
  ASSERT_EQ(1, recordedMessageBoxCount());
  const RecordedMessageBox* box = lastRecordedMessageBox();
  EXPECT_STREQ("Could not open .WRL file", box->text);
  EXPECT_EQ(0, box->hasCaption);
  EXPECT_EQ((uint32_t)MB_OK, box->type);
  EXPECT_EQ(nullptr, box->owner);
  EXPECT_EQ(nullptr, nodeList);
}

TEST_F(ModelReader, AnEmptyOrWordlessFileLoadsNoNodes) {
  EXPECT_EQ(1, loadModelText(""));
  EXPECT_EQ(1, loadModelText("\n\n  ,, \t\r\n#VRML V2.0 utf8\n"));
  EXPECT_EQ(nullptr, nodeList);
  EXPECT_DOUBLE_EQ(0.0, maxCoordinate);
  EXPECT_EQ(0, recordedMessageBoxCount());
}

TEST_F(ModelReader, ValuesMissingAtTheEndOfALineReadAsZero) {
  ASSERT_EQ(1, loadModelText("DEF\n"
                             "Transform { scale 2\n"
                             "rotation 0 1\n"
                             "diffuseColor\n"
                             "coord DEF P Coordinate { point [ 5\n"
                             "7 8 ] }\n"
                             "}\n"));
  ASSERT_EQ(2, countNodes());
  ModelNode* unnamed = nodeList->next;
  EXPECT_STREQ("", unnamed->name);
  EXPECT_FLOAT_EQ(2.0f, unnamed->scale[0]);
  EXPECT_FLOAT_EQ(0.0f, unnamed->scale[1]);
  EXPECT_FLOAT_EQ(1.0f, unnamed->rotationAxis[1]);
  EXPECT_FLOAT_EQ(0.0f, unnamed->rotationAngle);
  ModelNode* p = findNode("P");
  ASSERT_EQ(2, p->vertexCount);
  // The first vertex had only x on its line; y and z read as 0 and the parent's
  // scale (2, 0, 0) places it.
  EXPECT_FLOAT_EQ(10.0f, p->vertices[0].x);
  EXPECT_FLOAT_EQ(14.0f, p->vertices[1].x);
  EXPECT_FLOAT_EQ(0.0f, p->vertices[1].y);
}

TEST_F(ModelReader, ASecondListInOneNodeCarriesOnAfterTheFirst) {
  ASSERT_EQ(1, loadModelText("DEF Q Transform {\n"
                             " coord DEF P Coordinate { point [ 1 1 1, 2 2 2 ]\n"
                             "  coord [ 3 3 3 ] }\n"
                             " coordIndex [ 0 1 -1 ] coordIndex [ 2 -1 ]\n"
                             "}\n"));
  ModelNode* p = findNode("P");
  ASSERT_EQ(3, p->vertexCount);
  EXPECT_FLOAT_EQ(1.0f, p->vertices[0].x);
  EXPECT_FLOAT_EQ(2.0f, p->vertices[1].x);
  EXPECT_FLOAT_EQ(3.0f, p->vertices[2].x);
  ModelNode* q = findNode("Q");
  ASSERT_EQ(5, q->indexCount);
  const int32_t expected[5] = {0, 1, -1, 2, -1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(expected[i], q->indices[i]) << i;
}

TEST_F(ModelReader, ANodeEndingInsideItsListStopsTheList) {
  // The "}" is read as a vertex and then closes the node, leaving no current node;
  // the remaining numbers must not be stored anywhere.
  ASSERT_EQ(1, loadModelText("DEF P Coordinate { coord [ 1 2 3 } 4 5 6 7 8 9\n"
                             "DEF Q Transform { coordIndex [ 0 DEF R Transform { 5 6 7 } 1 2 ]\n"));
  ModelNode* p = findNode("P");
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(2, p->vertexCount);
  EXPECT_EQ(nullptr, p->parent);
  ModelNode* r = findNode("R");
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(nullptr, r->indices);
  EXPECT_EQ(2, findNode("Q")->indexCount);
  EXPECT_EQ(0, r->indexCount);
  EXPECT_EQ(0, listOpen);
}
