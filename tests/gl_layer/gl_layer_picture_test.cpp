// The browser's GL 1.1 layer against Mesa's own GL 1.1: each call sequence drawn by both
// picture runners, in their own processes, and the pictures and matrices compared.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace {
const int WIDTH = 640, HEIGHT = 480;
const size_t PICTURE_BYTES = (size_t)WIDTH * HEIGHT * 4;

// Runs one runner on the scene; returns its output (picture, then 32 floats), or "".
std::string draw(const char* runner, const char* scene) {
  // The process's own name for it: two test runs on one machine share the temporary folder.
  std::string path = std::string(::testing::TempDir()) + "gl-layer-" + scene + "-" +
                     std::to_string((long)getpid()) + ".out";
  std::string command = std::string(runner) + " " + scene + " " + path;
  if (system(command.c_str()) != 0) return "";
  std::string out;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return "";
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, got);
  fclose(f);
  remove(path.c_str());
  return out;
}

// Writes an RGB PPM, top row first, for a person to look at.
void savePpm(const std::string& picture, const std::string& path) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  fprintf(f, "P6\n%d %d\n255\n", WIDTH, HEIGHT);
  for (int y = HEIGHT - 1; y >= 0; y--)
    for (int x = 0; x < WIDTH; x++) fwrite(&picture[((size_t)y * WIDTH + x) * 4], 1, 3, f);
  fclose(f);
}

void expectSameDrawing(const char* scene) {
  std::string mesa = draw(VASK_MESA_RUNNER, scene), layer = draw(VASK_LAYER_RUNNER, scene);
  const size_t size = PICTURE_BYTES + 32 * sizeof(float);
  ASSERT_EQ(mesa.size(), size) << "Mesa's runner failed";
  ASSERT_EQ(layer.size(), size) << "the layer's runner failed";
  // Apart from rounding: a channel 2 off, or a pixel on an edge that the two float paths
  // put on the other side (those stay a handful).
  int differing = 0, lit = 0;
  for (size_t p = 0; p < PICTURE_BYTES; p += 4) {
    int worst = 0;
    for (int c = 0; c < 3; c++) {
      int d = abs((unsigned char)mesa[p + c] - (unsigned char)layer[p + c]);
      if (d > worst) worst = d;
    }
    differing += worst > 2;
    lit += mesa[p] || mesa[p + 1] || mesa[p + 2];
  }
  EXPECT_LE(differing, VASK_EDGE_PIXELS) << scene;
  EXPECT_GT(lit, 500) << "the scene draws next to nothing";
  if (differing > VASK_EDGE_PIXELS || ::testing::Test::HasFailure()) {
    savePpm(mesa, ::testing::TempDir() + "gl-layer-" + scene + "-mesa.ppm");
    savePpm(layer, ::testing::TempDir() + "gl-layer-" + scene + "-layer.ppm");
  }
  const float* a = (const float*)&mesa[PICTURE_BYTES];
  const float* b = (const float*)&layer[PICTURE_BYTES];
  for (int i = 0; i < 32; i++)
    EXPECT_NEAR(a[i], b[i], 1e-5f * fmaxf(1.0f, fabsf(a[i]))) << (i < 16 ? "modelview " : "projection ") << i % 16;
}

TEST(GlLayerPictures, FlatAndSmoothPolygonsQuadStripsLinesAndRectangles) {
  expectSameDrawing("flat_and_smooth_shapes");
}
TEST(GlLayerPictures, DisplayListsWithAListBaseKeptByPushAttrib) {
  expectSameDrawing("lists_and_list_base");
}
TEST(GlLayerPictures, ListsReplacedBetweenDrawsAndTextUnderAList) {
  expectSameDrawing("lists_replaced_between_draws");
}
TEST(GlLayerPictures, ListBitmapsBeyondTheSharedTexture) {
  expectSameDrawing("list_bitmaps_beyond_the_shared_texture");
}
TEST(GlLayerPictures, BitmapsAtRasterPositionsWithUnpackAlignments) {
  expectSameDrawing("bitmaps_at_raster_positions");
}
TEST(GlLayerPictures, DrawPixelsAtRasterPositions) { expectSameDrawing("pixel_rectangles"); }
TEST(GlLayerPictures, TheGamesTitle) { expectSameDrawing("game_title"); }
// Also the matrix stacks: each cycle is pushed and popped, the HUD pushes and pops the
// projection, and cycles off screen are culled with the matrices glGetFloatv reads.
TEST(GlLayerPictures, AMatchFrameWithTheHud) { expectSameDrawing("game_match"); }
}  // namespace
