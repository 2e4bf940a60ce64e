// Cycles out of view are not sent to GL: the view volume test against known spheres, and
// frames of the game's own model from hundreds of views, each drawn with and without the
// test and compared pixel for pixel.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <vector>

#include "platform/opengl.h"
#include "render/arena.h"
#include "render/cycle_model.h"
#include "render/graphics.h"
#include "render/view_volume.h"
#include "render/world.h"
#include "scene_support.h"

namespace {

TEST(ViewTest, SpheresOutsideAnyPlaneOfTheGamesViewAreRuledOut) {
  openSceneWindow();
  beginFrame();  // the game's projection, with the eye at the origin looking down -z
  EXPECT_EQ(sphereMayShow(0, 0, -100, 1), 1);
  EXPECT_EQ(sphereMayShow(0, 0, 100, 50), 0);   // behind the eye
  EXPECT_EQ(sphereMayShow(0, 0, -5, 1), 0);     // between the eye and the near plane at 10
  EXPECT_EQ(sphereMayShow(0, 0, -5, 7), 1);     // reaching past it
  EXPECT_EQ(sphereMayShow(0, 0, -31000, 500), 0);  // beyond the far plane at 30000
  EXPECT_EQ(sphereMayShow(0, 0, -31000, 1500), 1);
  // At 1000 ahead the view is 700 wide either side (70 degrees): 100 past the left edge is
  // 82 from its plane.
  EXPECT_EQ(sphereMayShow(-800, 0, -1000, 40), 0);
  EXPECT_EQ(sphereMayShow(-800, 0, -1000, 90), 1);
  EXPECT_EQ(sphereMayShow(800, 0, -1000, 40), 0);
  EXPECT_EQ(sphereMayShow(0, 800, -1000, 40), 0);
  EXPECT_EQ(sphereMayShow(0, -800, -1000, 90), 1);
  // The modelview matrix counts: moved 1000 ahead the sphere shows, moved behind it does not.
  glTranslatef(0, 0, -1000);
  EXPECT_EQ(sphereMayShow(0, 0, 0, 1), 1);
  glTranslatef(0, 0, 2000);
  EXPECT_EQ(sphereMayShow(0, 0, 0, 1), 0);
}

std::vector<uint8_t> readFrame() {
  std::vector<uint8_t> pixels(640 * 480 * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

bool anyLit(const std::vector<uint8_t>& pixels) {
  for (size_t i = 0; i < pixels.size(); i += 4)
    if (pixels[i] || pixels[i + 1] || pixels[i + 2]) return true;
  return false;
}

uint32_t nextRandom(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}
float randomBetween(uint32_t* state, float low, float high) {
  return low + (high - low) * (float)(nextRandom(state) & 0xFFFF) / 65535.0f;
}

TEST(CycleCulling, SkippedCyclesWouldHaveLitNoPixel) {
  openSceneWindow();
  char here[1024];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(VASK_DATA_DIR), 0);
  resetRiders(1);
  setRiderColor(0, 1.0f, 0.15f, 0.25f);
  ASSERT_EQ(buildArena(), 1);
  buildDisplayLists();
  ASSERT_EQ(chdir(here), 0);

  static const int listOffset[4] = {2, 4, 3, 5};
  uint32_t seed = 12345;
  int skipped = 0, shown = 0, partly = 0;
  for (int view = 0; view < 400; view++) {
    int heading = (int)(nextRandom(&seed) % 4);
    placeRider(0, randomBetween(&seed, -2000, 2000), randomBetween(&seed, -2000, 2000), heading);
    const Rider& r = riders[0];
    // An eye near the rider, looking somewhere around it, so the cycle falls in, out and
    // across every edge of the view, and sometimes behind the eye or inside the near plane.
    float ex = r.x + randomBetween(&seed, -400, 400), ez = r.z + randomBetween(&seed, -400, 400);
    float ey = randomBetween(&seed, 2, 300);
    float tx = r.x + randomBetween(&seed, -600, 600), tz = r.z + randomBetween(&seed, -600, 600);
    float ty = randomBetween(&seed, -100, 100);

    lookFromTo(ex, ey, ez, tx, ty, tz);
    glPushMatrix();
    glTranslatef(-r.x, r.y, r.z);
    const CycleBounds& b = cycleBounds[heading];
    ASSERT_GT(b.radius, 0);
    int mayShow = sphereMayShow(b.x, b.y, b.z, b.radius);
    glCallList((GLuint)listOffset[heading]);  // rider 0's list, never skipped
    glPopMatrix();
    std::vector<uint8_t> always = readFrame();

    lookFromTo(ex, ey, ez, tx, ty, tz);
    drawCycle(0);
    std::vector<uint8_t> culled = readFrame();

    ASSERT_EQ(memcmp(always.data(), culled.data(), always.size()), 0) << "view " << view;
    bool lit = anyLit(always);
    if (!mayShow) {
      skipped++;
      EXPECT_FALSE(lit) << "view " << view;
    } else if (lit) {
      shown++;
      // Partly in view: some lit pixel on the frame's border.
      bool edge = false;
      for (int x = 0; x < 640 && !edge; x++)
        edge = always[4 * x] || always[4 * (479 * 640 + x)];
      for (int y = 0; y < 480 && !edge; y++)
        edge = always[4 * (y * 640)] || always[4 * (y * 640 + 639)];
      if (edge) partly++;
    }
  }
  // The views must really exercise both outcomes and the edges, or the comparison proves little.
  EXPECT_GE(skipped, 60);
  EXPECT_GE(shown, 60);
  EXPECT_GE(partly, 20);
}

}  // namespace
