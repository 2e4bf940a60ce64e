// Frames of the world: the floor, cycles facing their headings in their riders' colours,
// walls with their white tips, sinking walls and crash bursts, all mirrored in x.
#include <gtest/gtest.h>

#include "platform/opengl.h"
#include "render/arena.h"
#include "render/world.h"
#include "scene_support.h"

namespace {

const Rgb BLACK = {0, 0, 0};
const Rgb FLOOR = {0, 0, 102};  // 0.4 blue

class WorldScene : public ::testing::Test {
 protected:
  void SetUp() override {
    openSceneWindow();
    enterDirectoryWithModel(PLATE_MODEL);
    resetRiders(2);
    setRiderColor(0, 0.25f, 0.75f, 0.5f);
    setRiderColor(1, 0.5f, 0.25f, 1.0f);  // blue comes to 288: held at 255
    ASSERT_EQ(buildArena(), 1);
    buildDisplayLists();
  }
};

TEST_F(WorldScene, TheFloorIsOneDarkBlueQuadOverTheWholeArena) {
  lookFromTo(0, 20000, 0, 0, 0, 0, 0, 0, 1);
  drawFloor();
  EXPECT_PRED3(near, pixelAt(320, 240), FLOOR, 1);
  EXPECT_PRED3(near, pixelAtWorld(10000, 0, 10000), FLOOR, 1);
  EXPECT_PRED3(near, pixelAtWorld(-10000, 0, -10000), FLOOR, 1);
  EXPECT_PRED3(near, pixelAtWorld(10000, 0, -10000), FLOOR, 1);
  EXPECT_PRED3(near, pixelAtWorld(10500, 0, 0), BLACK, 0);  // past the edge
  EXPECT_PRED3(near, pixelAtWorld(0, 0, -10500), BLACK, 0);
  GLint shade;
  glGetIntegerv(GL_SHADE_MODEL, &shade);
  EXPECT_EQ(shade, GL_FLAT);
}

TEST_F(WorldScene, ACycleFacesItsHeadingInItsRidersColour) {
  const Rgb cycle1 = {144, 72, 255};  // level faces: 180 grey * 1.6 * rider colour
  for (int heading = 0; heading < 4; heading++) {
    placeRider(1, 1500, -700, heading);
    const Rider& r = riders[1];
    lookFromTo(1500, 300, -700, 1500, 0, -700, 0, 0, 1);
    drawCycle(1);
    EXPECT_PRED3(near, pixelAtWorld(r.x + 50 * r.dirX, 12, r.z + 50 * r.dirZ), cycle1, 2) << heading;
    EXPECT_PRED3(near, pixelAtWorld(r.x + 75 * r.dirX, 12, r.z + 75 * r.dirZ), cycle1, 2) << heading;
    EXPECT_PRED3(near, pixelAtWorld(r.x - 30 * r.dirX, 12, r.z - 30 * r.dirZ), BLACK, 0) << heading;
    EXPECT_PRED3(near, pixelAtWorld(r.x + 90 * r.dirX, 12, r.z + 90 * r.dirZ), BLACK, 0) << heading;
    // 20 wide, across the direction of travel
    EXPECT_PRED3(near, pixelAtWorld(r.x + 40 * r.dirX + 7 * r.dirZ, 12, r.z + 40 * r.dirZ + 7 * r.dirX),
                 cycle1, 2) << heading;
    EXPECT_PRED3(near, pixelAtWorld(r.x + 40 * r.dirX + 14 * r.dirZ, 12, r.z + 40 * r.dirZ + 14 * r.dirX),
                 BLACK, 0) << heading;
  }
}

TEST_F(WorldScene, CrashedRidersShowNoCycle) {
  placeRider(0, -800, 300, 1);
  riders[0].speed = 0;  // the frame of the crash: crashTimer still 0
  lookFromTo(-800, 300, 300, -800, 0, 300, 0, 0, 1);
  drawCycle(0);
  EXPECT_PRED3(near, pixelAtWorld(-760, 12, 300), BLACK, 0);
  riders[0].crashTimer = 10;
  drawCycle(0);
  EXPECT_PRED3(near, pixelAtWorld(-760, 12, 300), BLACK, 0);
  riders[0].crashTimer = 0;
  riders[0].speed = 10;
  drawCycle(0);
  EXPECT_PRED3(near, pixelAtWorld(-760, 12, 300), (Rgb{72, 216, 144}), 2);
}

// Rider 0 rides +x from x 100 to x 500 along z 0; the camera faces the wall from -z.
void standWallRider(int crashTimer) {
  const float trail[] = {100, 0, 500, 0};
  placeRider(0, 0, 0, 1);
  setTrail(0, 2, trail, 200, 40, 63);
  riders[0].crashTimer = crashTimer;
  if (crashTimer) riders[0].speed = 0;
}

TEST_F(WorldScene, AWallIsFortyHighInItsColourWithAWhiteTip) {
  standWallRider(0);
  const Rgb wall = {200, 40, 63};
  lookFromTo(300, 20, -400, 300, 20, 0);
  drawTrail(0);
  EXPECT_PRED3(near, pixelAtWorld(300, 20, 0), wall, 2);
  EXPECT_PRED3(near, pixelAtWorld(150, 3, 0), wall, 2);
  EXPECT_PRED3(near, pixelAtWorld(450, 37, 0), wall, 2);
  EXPECT_PRED3(near, pixelAtWorld(300, 43, 0), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(90, 20, 0), BLACK, 0);
  // The world's x is mirrored: nothing where an unmirrored wall would stand.
  lookFromTo(-300, 20, -400, -300, 20, 0);
  drawTrail(0);
  EXPECT_PRED3(near, pixelAtWorld(-300, 20, 0), BLACK, 0);

  // The last 20 units slope to 30 at the rider and turn white.
  lookFromTo(490, 20, -100, 490, 20, 0);
  drawTrail(0);
  Rgb tip = pixelAtWorld(498, 5, 0);
  EXPECT_GT(tip.r, 235);
  EXPECT_GT(tip.g, 215);
  EXPECT_GT(tip.b, 215);
  Rgb cut = pixelAtWorld(481, 20, 0);  // just past where the colour stops
  EXPECT_GT(cut.g, 40);
  EXPECT_LT(cut.g, 100);
  EXPECT_PRED3(near, pixelAtWorld(498, 27, 0), tip, 40);
  EXPECT_PRED3(near, pixelAtWorld(498, 33, 0), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(490, 38, 0), BLACK, 0);  // sloping: 35 high here
  EXPECT_PRED3(near, pixelAtWorld(503, 10, 0), BLACK, 0);
}

TEST_F(WorldScene, AtCrashStepHundredTheWallStandsTwentyAndItsTipFifteen) {
  standWallRider(100);
  const Rgb wall = {200, 40, 63};
  lookFromTo(300, 15, -150, 300, 15, 0);
  drawTrail(0);
  EXPECT_PRED3(near, pixelAtWorld(300, 17, 0), wall, 2);
  EXPECT_PRED3(near, pixelAtWorld(300, 23, 0), BLACK, 0);
  lookFromTo(490, 10, -80, 490, 10, 0);
  drawTrail(0);
  EXPECT_GT(pixelAtWorld(499, 12, 0).g, 200);
  EXPECT_PRED3(near, pixelAtWorld(499, 18, 0), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(482, 18.5f, 0), wall, 30);
}

TEST_F(WorldScene, WallsFollowEveryCorner) {
  // Up +z from (-1000, 0), then +x to the rider at (-700, 300): the corner is at (-1000, 300).
  const float trail[] = {-1000, 0, -1000, 300, -700, 300};
  placeRider(1, 0, 0, 1);
  setTrail(1, 3, trail, 30, 220, 90);
  lookFromTo(-600, 150, -300, -900, 20, 200);
  drawTrail(1);
  const Rgb wall = {30, 220, 90};
  EXPECT_PRED3(near, pixelAtWorld(-1000, 20, 150), wall, 2);
  EXPECT_PRED3(near, pixelAtWorld(-1000, 20, 20), wall, 2);
  EXPECT_PRED3(near, pixelAtWorld(-850, 20, 300), wall, 2);
  EXPECT_PRED3(near, pixelAtWorld(-1000, 48, 150), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(-850, 48, 300), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(-850, 20, 100), BLACK, 0);
}

TEST_F(WorldScene, AtCrashStepNineTheBurstIsTwoRedPanels1440By900) {
  placeRider(1, 3000, 2000, 1);
  riders[1].speed = 0;
  riders[1].crashTimer = 9;
  const Rgb red = {255, 0, 0};
  // Facing the panel that spans x.
  lookFromTo(3000, 450, -1000, 3000, 450, 2000);
  drawCycle(1);
  EXPECT_PRED3(near, pixelAtWorld(3000 + 690, 870, 2000), red, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000 - 690, 30, 2000), red, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000 + 760, 450, 2000), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000 - 760, 450, 2000), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000 + 300, 940, 2000), BLACK, 0);
  // Facing the panel that spans z.
  lookFromTo(6000, 450, 2000, 3000, 450, 2000);
  drawCycle(1);
  EXPECT_PRED3(near, pixelAtWorld(3000, 870, 2000 + 690), red, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000, 30, 2000 - 690), red, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000, 450, 2000 + 760), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000, 940, 2000), BLACK, 0);
  // Mirrored in x: nothing at the unmirrored spot.
  lookFromTo(-3000, 450, -1000, -3000, 450, 2000);
  drawCycle(1);
  EXPECT_PRED3(near, pixelAtWorld(-3000, 450, 2000), BLACK, 0);
  // From step 10 on, nothing at all.
  riders[1].crashTimer = 10;
  lookFromTo(3000, 450, -1000, 3000, 450, 2000);
  drawCycle(1);
  EXPECT_PRED3(near, pixelAtWorld(3000, 450, 2000), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000 + 300, 50, 2000), BLACK, 0);
  // Step 1 is 160 by 100.
  riders[1].crashTimer = 1;
  lookFromTo(3000, 50, 1700, 3000, 50, 2000);
  drawCycle(1);
  EXPECT_PRED3(near, pixelAtWorld(3000 + 70, 90, 2000), red, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000 + 90, 50, 2000), BLACK, 0);
  EXPECT_PRED3(near, pixelAtWorld(3000, 110, 2000), BLACK, 0);
}

TEST_F(WorldScene, AWorldFrameDrawsFloorCyclesAndWalls) {
  const float trail0[] = {-600, -200, -400, -200};
  const float trail1[] = {600, 200, 400, 200};
  setTrail(0, 2, trail0, 255, 255, 0);
  placeRider(0, -400, -200, 1);
  setTrail(1, 2, trail1, 0, 255, 255);
  placeRider(1, 400, 200, 3);
  // From above: the floor and both cycles.
  lookFromTo(0, 900, 0, 0, 0, 0, 0, 0, 1);
  drawWorld();
  EXPECT_PRED3(near, pixelAtWorld(0, 0, 0), FLOOR, 1);
  EXPECT_PRED3(near, pixelAtWorld(-350, 12, -200), (Rgb{72, 216, 144}), 2);
  EXPECT_PRED3(near, pixelAtWorld(350, 12, 200), (Rgb{144, 72, 255}), 2);
  // From the side: both walls.
  lookFromTo(0, 20, -1200, 0, 20, 0);
  drawWorld();
  EXPECT_PRED3(near, pixelAtWorld(-520, 20, -200), (Rgb{255, 255, 0}), 2);
  EXPECT_PRED3(near, pixelAtWorld(520, 20, 200), (Rgb{0, 255, 255}), 2);
}

}  // namespace
