// The game's own cycle model in a chase-view frame with several riders and walls. The
// frame is also saved (VASK_SCENE_SHOT, or scene.ppm in the working directory) so the
// look of the cycles can be checked by eye.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/opengl.h"
#include "render/arena.h"
#include "render/world.h"
#include "scene_support.h"
#include "support/gl_test_window.h"

namespace {

// Whether a pixel is plainly of the hue whose dominant channels `want` marks (1 = strong).
bool ofHue(Rgb c, int wantR, int wantG, int wantB) {
  int strong = 255, weak = 0;
  const int ch[3] = {c.r, c.g, c.b}, want[3] = {wantR, wantG, wantB};
  for (int i = 0; i < 3; i++) {
    if (want[i] && ch[i] < strong) strong = ch[i];
    if (!want[i] && ch[i] > weak) weak = ch[i];
  }
  return strong >= 60 && strong >= 2 * weak;
}

// Pixels of that hue in a box of `half` pixels around the world point.
int huePixelsAround(float x, float y, float z, int half, int r, int g, int b) {
  int px, py, n = 0;
  projectWorld(x, y, z, &px, &py);
  for (int dy = -half; dy <= half; dy++)
    for (int dx = -half; dx <= half; dx++)
      if (ofHue(pixelAt(px + dx, py + dy), r, g, b)) n++;
  return n;
}

TEST(Vask3Scene, CyclesOfTheRealModelShowInTheirRidersColours) {
  openSceneWindow();
  char model[1024];
  snprintf(model, sizeof model, "%s/vask3.wrl", VASK_DATA_DIR);
  FILE* f = fopen(model, "r");
  ASSERT_NE(f, nullptr) << model << " is missing";
  fclose(f);
  char here[1024];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(VASK_DATA_DIR), 0);

  resetRiders(4);
  setRiderColor(0, 1.0f, 0.15f, 0.1f);
  setRiderColor(1, 0.1f, 1.0f, 0.2f);
  setRiderColor(2, 0.2f, 0.45f, 1.0f);
  setRiderColor(3, 1.0f, 0.85f, 0.1f);
  ASSERT_EQ(buildArena(), 1);
  buildDisplayLists();
  ASSERT_EQ(chdir(here), 0);

  const float trail0[] = {-900, 0, 0, 0};
  const float trail1[] = {1600, 160, 620, 160};
  const float trail2[] = {420, -900, 420, -180};
  const float trail3[] = {300, 900, 900, 900, 900, 360};
  setTrail(0, 2, trail0, 255, 38, 63);
  placeRider(0, 0, 0, 1);
  setTrail(1, 2, trail1, 25, 255, 51);
  placeRider(1, 620, 160, 3);
  setTrail(2, 2, trail2, 51, 115, 255);
  placeRider(2, 420, -180, 0);
  setTrail(3, 3, trail3, 255, 216, 25);
  placeRider(3, 900, 360, 2);

  // Behind rider 0, a little up and to one side, looking ahead along its way.
  lookFromTo(-150, 70, -45, 300, 0, 40);
  drawWorld();
  const char* shot = getenv("VASK_SCENE_SHOT");
  EXPECT_EQ(saveBackBufferPpm(shot ? shot : "scene.ppm", 640, 480), 1);

  EXPECT_GE(huePixelsAround(40, 14, 0, 25, 1, 0, 0), 40);     // rider 0, red, ahead of us
  EXPECT_GE(huePixelsAround(580, 14, 160, 10, 0, 1, 0), 8);   // rider 1, green, oncoming
  EXPECT_GE(huePixelsAround(420, 14, -140, 10, 0, 0, 1), 8);  // rider 2, blue, crossing
  EXPECT_GE(huePixelsAround(900, 14, 320, 8, 1, 1, 0), 6);    // rider 3, yellow, far off
  // Their walls.
  EXPECT_GE(huePixelsAround(-60, 20, 0, 6, 1, 0, 0), 20);
  EXPECT_GE(huePixelsAround(1000, 20, 160, 3, 0, 1, 0), 6);
  EXPECT_GE(huePixelsAround(420, 20, -250, 3, 0, 0, 1), 6);
  EXPECT_GE(huePixelsAround(900, 20, 700, 3, 1, 1, 0), 6);
}

}  // namespace
