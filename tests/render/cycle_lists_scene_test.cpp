// The GL set-up with its fixed display lists, and the cycle lists' colours and headings,
// caught in feedback mode.
#include <gtest/gtest.h>
#include <math.h>

#include "font_call_recorder.h"
#include "model_nodes.h"
#include "platform/opengl.h"
#include "render/arena.h"
#include "render/cycle_model.h"
#include "render/graphics.h"
#include "scene_support.h"
#include "support/gl_test_window.h"

namespace {

int lastList() {
  int n = 0;
  while (glIsList((GLuint)(n + 1))) n++;
  return n;
}

TEST(GraphicsSetupScene, TwoRidersGetListsOneToNineBeforeTheFont) {
  GlTestWindow w;
  ASSERT_EQ(openGlTestWindow(&w), 1);
  enterDirectoryWithModel(PLATE_MODEL);
  resetRiders(2);
  ASSERT_EQ(buildArena(), 1);
  ASSERT_NE(nodeList, nullptr);

  ASSERT_EQ(initGraphics(w.window), 1);
  EXPECT_EQ(fontLoadCount, 1);
  EXPECT_EQ(listsBeforeFont, 9);
  EXPECT_EQ(lastList(), 9);
  EXPECT_FALSE(glIsList(0));
  for (GLuint n = 10; n < 40; n++) EXPECT_FALSE(glIsList(n)) << n;
  EXPECT_EQ(nodeList, nullptr);  // the model nodes are gone; the heading copies stay
  for (int i = 0; i < 4; i++) EXPECT_NE(headingModels[i], nullptr) << i;

  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLint value;
  glGetIntegerv(GL_SHADE_MODEL, &value);
  EXPECT_EQ(value, GL_FLAT);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
  EXPECT_EQ(value, 1);
  glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
  EXPECT_EQ(value, GL_NICEST);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  glGetIntegerv(GL_DEPTH_FUNC, &value);
  EXPECT_EQ(value, GL_LESS);
}

int listToCatch;
void callTheList() { glCallList((GLuint)listToCatch); }

// The plate's extent in GL coordinates over every polygon caught.
struct Extent {
  float minX, maxX, minZ, maxZ;
};

Extent extentOf(const CaughtPolygon* p, int n) {
  Extent e = {1e9f, -1e9f, 1e9f, -1e9f};
  for (int i = 0; i < n; i++)
    for (int v = 0; v < p[i].count; v++) {
      e.minX = fminf(e.minX, p[i].x[v]), e.maxX = fmaxf(e.maxX, p[i].x[v]);
      e.minZ = fminf(e.minZ, p[i].z[v]), e.maxZ = fmaxf(e.maxZ, p[i].z[v]);
    }
  return e;
}

TEST(CycleLists, FiveRidersEachGetFourListsInTheirOwnColour) {
  openSceneWindow();
  enterDirectoryWithModel(PLATE_MODEL);
  resetRiders(5);
  const float colors[5][3] = {{0.5f, 0, 0}, {0, 0.5f, 0}, {0, 0, 0.5f}, {0.5f, 0.5f, 0}, {0.25f, 0.5f, 0.75f}};
  const Rgb expected[5] = {{144, 0, 0}, {0, 144, 0}, {0, 0, 144}, {144, 144, 0}, {72, 144, 216}};
  for (int i = 0; i < 5; i++) setRiderColor(i, colors[i][0], colors[i][1], colors[i][2]);
  ASSERT_EQ(buildArena(), 1);
  buildDisplayLists();
  EXPECT_EQ(lastList(), 21);
  EXPECT_FALSE(glIsList(22));

  // Offsets 2, 3, 4, 5 hold headings 0 (+z), 2 (-z), 1 (+x), 3 (-x); GL x is the world's
  // negated, so the plate 80 long ahead of the origin lies at:
  const Extent along[4] = {{-10, 10, 0, 80}, {-10, 10, -80, 0}, {-80, 0, -10, 10}, {0, 80, -10, 10}};
  static CaughtPolygon caught[16];
  for (int i = 0; i < 5; i++) {
    for (int offset = 0; offset < 4; offset++) {
      listToCatch = 4 * i + 2 + offset;
      int n = catchPolygons(callTheList, caught, 16);
      ASSERT_GE(n, 1) << "list " << listToCatch;
      for (int p = 0; p < n && p < 16; p++)
        EXPECT_TRUE(near(caught[p].color, expected[i], 1)) << "list " << listToCatch;
      Extent e = extentOf(caught, n < 16 ? n : 16);
      EXPECT_NEAR(e.minX, along[offset].minX, 0.5) << "list " << listToCatch;
      EXPECT_NEAR(e.maxX, along[offset].maxX, 0.5) << "list " << listToCatch;
      EXPECT_NEAR(e.minZ, along[offset].minZ, 0.5) << "list " << listToCatch;
      EXPECT_NEAR(e.maxZ, along[offset].maxZ, 0.5) << "list " << listToCatch;
    }
  }
}

// Faces built by hand, so each one's shade is known:
//   up-light triangle (0,0,0) (0,30,-30) (30,0,0): normal along (0,1,1), k just under 1
//   side triangle (0,0,0) (0,30,0) (0,0,30): normal along x, k 0
const float FACE_POINTS[] = {0, 0, 0, 0, 30, -30, 30, 0, 0, 0, 30, 0, 0, 0, 30};

int riderToDraw;
void drawTheCycle() { drawCycleModel(1, riderToDraw); }

class CycleFaces : public ::testing::Test {
 protected:
  void SetUp() override {
    openSceneWindow();
    clearModelState();
    resetRiders(2);
    setRiderColor(0, 1, 0, 0);
    setRiderColor(1, 1, 1, 1);
  }
  void TearDown() override { clearModelState(); }

  void makeCopies() {
    makeHeadingCopy(&headingModels[0], -1, 0);
    makeHeadingCopy(&headingModels[1], 1, 0);
    makeHeadingCopy(&headingModels[2], 0, -1);
    makeHeadingCopy(&headingModels[3], 0, 1);
  }
};

TEST_F(CycleFaces, RiderColourAndModelColourRulesWithFacesKeptInStep) {
  // Model colour (pushed first, so walked last): diffuse 201, 100, 0 gives shade 200, 99, 0.
  const int32_t modelFaces[] = {0, 1, 2, -1};
  ModelNode* trim = pushModelNode(0, 0, 0, 4, modelFaces);
  trim->diffuseColor[0] = 201, trim->diffuseColor[1] = 100, trim->diffuseColor[2] = 0;
  pushModelNode(trim, 5, FACE_POINTS, 0, 0)->ignoreShading = 1;
  // Rider colour: an up-light face (shade 100 from diffuse 101), a two-vertex face, a side
  // face (shade 0), and the up-light face again.
  const int32_t bodyFaces[] = {0, 1, 2, -1, 0, 3, -1, 0, 3, 4, -1, 2, 0, 1, -1};
  ModelNode* body = pushModelNode(0, 0, 0, 15, bodyFaces);
  body->diffuseColor[0] = body->diffuseColor[1] = body->diffuseColor[2] = 101;
  pushModelNode(body, 5, FACE_POINTS, 0, 0);
  makeCopies();
  ASSERT_EQ(faceShadeCount, 4);

  static CaughtPolygon caught[8];
  riderToDraw = 0;  // pure red
  ASSERT_EQ(catchPolygons(drawTheCycle, caught, 8), 4);
  EXPECT_TRUE(near(caught[0].color, Rgb{160, 0, 0}, 1)) << ::testing::PrintToString(caught[0].color);
  EXPECT_TRUE(near(caught[1].color, Rgb{0, 0, 0}, 1)) << ::testing::PrintToString(caught[1].color);
  EXPECT_TRUE(near(caught[2].color, Rgb{160, 0, 0}, 1)) << ::testing::PrintToString(caught[2].color);
  EXPECT_TRUE(near(caught[3].color, Rgb{126, 62, 0}, 1)) << ::testing::PrintToString(caught[3].color);

  riderToDraw = 1;  // white
  ASSERT_EQ(catchPolygons(drawTheCycle, caught, 8), 4);
  EXPECT_TRUE(near(caught[0].color, Rgb{160, 160, 160}, 1)) << ::testing::PrintToString(caught[0].color);
  EXPECT_TRUE(near(caught[1].color, Rgb{0, 0, 0}, 1)) << ::testing::PrintToString(caught[1].color);
  EXPECT_TRUE(near(caught[3].color, Rgb{219, 108, 0}, 1)) << ::testing::PrintToString(caught[3].color);

  // Each vertex goes out with x negated: the first face's (30, 0, 0) comes back at -30.
  float minX = 0;
  for (int v = 0; v < caught[0].count; v++) minX = fminf(minX, caught[0].x[v]);
  EXPECT_NEAR(minX, -30, 0.01);
}

TEST_F(CycleFaces, BrightRidersSaturateInsteadOfChangingHue) {
  const int32_t faces[] = {0, 1, 2, -1};
  ModelNode* trim = pushModelNode(0, 0, 0, 4, faces);  // walked second
  trim->diffuseColor[0] = 255, trim->diffuseColor[1] = 40, trim->diffuseColor[2] = 0;
  pushModelNode(trim, 5, FACE_POINTS, 0, 0)->ignoreShading = 1;
  ModelNode* body = pushModelNode(0, 0, 0, 4, faces);
  body->diffuseColor[0] = body->diffuseColor[1] = body->diffuseColor[2] = 255;  // shade 254
  pushModelNode(body, 5, FACE_POINTS, 0, 0);
  makeCopies();
  setRiderColor(0, 2, 0.5f, -1);  // 254 * 1.6 * 2 = 812 red; a negative blue
  setRiderColor(1, 3, 3, 3);      // model colour at f = 1: 254 * 1.9 = 482 red, 39 * 1.9 green
  static CaughtPolygon caught[4];
  riderToDraw = 0;
  ASSERT_EQ(catchPolygons(drawTheCycle, caught, 4), 2);
  EXPECT_TRUE(near(caught[0].color, Rgb{255, 203, 0}, 1)) << ::testing::PrintToString(caught[0].color);
  riderToDraw = 1;
  ASSERT_EQ(catchPolygons(drawTheCycle, caught, 4), 2);
  EXPECT_TRUE(near(caught[1].color, Rgb{255, 74, 0}, 1)) << ::testing::PrintToString(caught[1].color);
}

TEST_F(CycleFaces, DamagedIndexListsDrawTheFacesTheyStillHold) {
  // Entries past the five vertices are passed over; the last face has no -1.
  const int32_t faces[] = {-1, 9, 0, 1, 2, -1, 0, 77, 3, -1, 0, 3, 4};
  ModelNode* body = pushModelNode(0, 0, 0, 13, faces);
  body->diffuseColor[0] = body->diffuseColor[1] = body->diffuseColor[2] = 101;
  pushModelNode(body, 5, FACE_POINTS, 0, 0);
  makeCopies();
  static CaughtPolygon caught[4];
  riderToDraw = 0;
  ASSERT_EQ(catchPolygons(drawTheCycle, caught, 4), 2);
  EXPECT_TRUE(near(caught[0].color, Rgb{160, 0, 0}, 1));
  EXPECT_TRUE(near(caught[1].color, Rgb{0, 0, 0}, 1));
  EXPECT_EQ(caught[1].count, 3);
}

TEST_F(CycleFaces, HeadingsOutsideZeroToThreeDrawNothing) {
  const int32_t faces[] = {0, 1, 2, -1};
  ModelNode* body = pushModelNode(0, 0, 0, 4, faces);
  pushModelNode(body, 5, FACE_POINTS, 0, 0);
  makeCopies();
  static CaughtPolygon caught[4];
  struct Draw {
    static void heading4() { drawCycleModel(4, 0); }
    static void headingMinus1() { drawCycleModel(-1, 0); }
    static void heading3() { drawCycleModel(3, 0); }
  };
  EXPECT_EQ(catchPolygons(Draw::heading4, caught, 4), 0);
  EXPECT_EQ(catchPolygons(Draw::headingMinus1, caught, 4), 0);
  EXPECT_EQ(catchPolygons(Draw::heading3, caught, 4), 1);
}

}  // namespace
