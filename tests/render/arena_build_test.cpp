// Arena set-up: the floor corners and the model read from the working directory, sized so
// its largest coordinate is 80.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "message_box_recorder.h"
#include "model_nodes.h"
#include "render/arena.h"

namespace {

// Moves into a fresh temporary directory for the rest of the test process.
void enterEmptyDirectory() {
  char dir[] = "/tmp/vask-arena-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  ASSERT_EQ(chdir(dir), 0);
}

TEST(BuildArena, FloorCoversTheArenaEvenWithoutAModel) {
  enterEmptyDirectory();
  clearRecordedMessageBoxes();
  EXPECT_EQ(buildArena(), 0);
  ASSERT_EQ(recordedMessageBoxCount(), 1);
  EXPECT_STREQ(lastRecordedMessageBox()->text, "Could not open .WRL file");
  const float corners[4][3] = {
      {10240, 0, 10240}, {-10240, 0, 10240}, {-10240, 0, -10240}, {10240, 0, -10240}};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(floorQuad[i].x, corners[i][0]) << i;
    EXPECT_EQ(floorQuad[i].y, corners[i][1]) << i;
    EXPECT_EQ(floorQuad[i].z, corners[i][2]) << i;
  }
}

TEST(BuildArena, TheModelIsSizedToEighty) {
  enterEmptyDirectory();
  FILE* f = fopen("vask3.wrl", "w");
  ASSERT_NE(f, nullptr);
  fputs("#VRML V2.0 utf8\n"
        "DEF Body Transform { children [ Shape { geometry IndexedFaceSet {\n"
        "  coord DEF BodyPoints Coordinate { point [ 2 -4 1, 0.5 0 0 ] }\n"
        "  coordIndex [ 0 1 1 -1 ] } } ] }\n",
        f);
  fclose(f);
  clearRecordedMessageBoxes();
  maxCoordinate = 0;
  ASSERT_EQ(buildArena(), 1);
  EXPECT_EQ(recordedMessageBoxCount(), 0);
  const ModelNode* points = 0;
  for (const ModelNode* n = nodeList; n; n = n->next)
    if (n->vertexCount > 0) points = n;
  ASSERT_NE(points, nullptr);
  ASSERT_EQ(points->vertexCount, 2);
  EXPECT_FLOAT_EQ(points->vertices[0].x, 40);
  EXPECT_FLOAT_EQ(points->vertices[0].y, -80);
  EXPECT_FLOAT_EQ(points->vertices[0].z, 20);
  EXPECT_FLOAT_EQ(points->vertices[1].x, 10);
  clearModelState();
}

}  // namespace
