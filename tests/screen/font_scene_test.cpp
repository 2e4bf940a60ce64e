// The bitmap font on a real GL context: row order, glyph placement, missing and short files.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "platform/opengl.h"
#include "render/font.h"
#include "scene_support.h"
#include "support/gl_test_window.h"

namespace {
// Lit pixels (any channel above 128) of the back buffer in a box, as "x,y" entries.
std::string litPixels(int x0, int y0, int x1, int y1) {
  std::string out;
  for (int y = y0; y <= y1; y++)
    for (int x = x0; x <= x1; x++) {
      uint8_t rgb[3];
      readPixelRgb(x, y, rgb);
      if (rgb[0] > 128 || rgb[1] > 128 || rgb[2] > 128)
        out += std::to_string(x) + "," + std::to_string(y) + " ";
    }
  return out;
}

void clearToBlack() {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  loadOverlay();
  glColor3f(1, 1, 1);
}

class FontScene : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(openSceneWindow());
    enterTempDir();
  }
  void TearDown() override { leaveTempDir(); }
};

TEST_F(FontScene, GlyphRowsAreKeptBottomFirst) {
  uint8_t file[4096] = {0};
  for (int i = 0; i < 16; i++) file[16 * 7 + i] = (uint8_t)(i + 1);  // glyph 7: rows 1..16
  file[4095] = 0xAB;                                                 // last row of glyph 255
  writeBytes("flori.fnt", file, sizeof file);
  loadFont();
  for (int i = 0; i < 16; i++) EXPECT_EQ(fontGlyphs[16 * 7 + i], 16 - i) << i;
  EXPECT_EQ(fontGlyphs[16 * 255], 0xAB);
  EXPECT_EQ(fontGlyphs[4095], 0);
}

TEST_F(FontScene, TopLeftPixelLands13AboveTheRasterRowAndTextStarts10ToTheRight) {
  uint8_t file[4096] = {0};
  file[16 * 0x80] = 0x80;  // glyph 128: one pixel, top row, leftmost
  writeBytes("flori.fnt", file, sizeof file);
  loadFont();
  clearToBlack();
  drawText(100.0f, 200.0f, "\x80");
  EXPECT_EQ(litPixels(95, 190, 140, 225), "110,213 ");

  // Each glyph advances 10: the second copy lands 10 further on.
  clearToBlack();
  drawText(100.0f, 200.0f, "\x80\x80");
  EXPECT_EQ(litPixels(95, 190, 140, 225), "110,213 120,213 ");

  // An empty string draws nothing.
  clearToBlack();
  drawText(100.0f, 200.0f, "");
  EXPECT_EQ(litPixels(95, 190, 140, 225), "");
}

TEST_F(FontScene, GlyphCellIsEightByTenWithTwoRowsBelowTheLine) {
  uint8_t file[4096] = {0};
  memset(file + 16 * 'A', 0xFF, 16);  // a full cell
  writeBytes("flori.fnt", file, sizeof file);
  loadFont();
  clearToBlack();
  drawText(300.0f, 100.0f, "A");
  std::string lit = litPixels(300, 90, 330, 125);
  std::string expected;
  for (int y = 98; y <= 113; y++)
    for (int x = 310; x <= 317; x++) expected += std::to_string(x) + "," + std::to_string(y) + " ";
  EXPECT_EQ(lit, expected);
}

TEST_F(FontScene, MissingFontLeavesTextBlankAndSaysSoOnce) {
  testing::internal::CaptureStderr();
  loadFont();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("flori.fnt"), std::string::npos) << said;
  EXPECT_EQ(said.find("flori.fnt"), said.rfind("flori.fnt")) << said;
  for (int i = 0; i < 4096; i++) ASSERT_EQ(fontGlyphs[i], 0) << i;
  clearToBlack();
  drawText(0.0f, 200.0f, "Arrow keys: Turn/Accel");
  EXPECT_EQ(litPixels(0, 190, 260, 220), "");
}

TEST_F(FontScene, ShortFontKeepsWhatItHoldsAndBlanksTheRest) {
  // A full font first, so a glyph left over from it would show.
  uint8_t full[4096];
  memset(full, 0xFF, sizeof full);
  writeBytes("flori.fnt", full, sizeof full);
  loadFont();

  uint8_t part[16 * 'B'];
  memset(part, 0, sizeof part);
  memset(part + 16 * 'A', 0xFF, 16);  // the file ends after glyph 'A'
  writeBytes("flori.fnt", part, sizeof part);
  testing::internal::CaptureStderr();
  loadFont();
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("flori.fnt"), std::string::npos) << said;
  EXPECT_NE(said.find("short"), std::string::npos) << said;

  clearToBlack();
  drawText(100.0f, 200.0f, "AB");
  EXPECT_NE(litPixels(110, 198, 117, 213), "");   // 'A' drawn
  EXPECT_EQ(litPixels(118, 190, 140, 220), "");   // 'B' blank
}
}  // namespace
