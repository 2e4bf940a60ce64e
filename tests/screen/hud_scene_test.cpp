// The head-up display on a real GL context: minimap panel and trails, scores, help, swap.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <string>
#include "platform/opengl.h"
#include "render/draw_helpers.h"
#include "render/font.h"
#include "render/graphics.h"
#include "render/hud.h"
#include "scene_support.h"
#include "sim/riders.h"
#include "sim/ui_state.h"

namespace {
TrailPoint points[16];
int pointsUsed = 0;

// Gives a rider a trail through these minimap points.
void giveTrail(int rider, const float (*map)[2], int count) {
  riders[rider].trailHead = nullptr;
  TrailPoint* last = nullptr;
  for (int i = 0; i < count; i++) {
    TrailPoint* p = &points[pointsUsed++];
    memset(p, 0, sizeof *p);
    p->mapX = map[i][0];
    p->mapY = map[i][1];
    if (last) last->next = p;
    else riders[rider].trailHead = p;
    last = p;
  }
  riders[rider].trailTail = last;
}

bool near(const uint8_t* rgb, int r, int g, int b) {
  return abs(rgb[0] - r) <= 8 && abs(rgb[1] - g) <= 8 && abs(rgb[2] - b) <= 8;
}

std::string pixelText(const uint8_t* rgb) {
  return std::to_string(rgb[0]) + " " + std::to_string(rgb[1]) + " " + std::to_string(rgb[2]);
}

// The HUD's pixels in a box of the shown buffer, against what drawText alone draws there
// in the given colour on a black frame (the font is tested on its own).
std::string box(const std::string& frame, int x0, int y0, int x1, int y1) {
  std::string out;
  for (int y = y0; y <= y1; y++) out += frame.substr(((size_t)y * 640 + x0) * 3, (size_t)(x1 - x0 + 1) * 3);
  return out;
}

std::string textAlone(float x, float y, const char* text, uint32_t color) {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  loadOverlay();
  setPackedColor(color);
  drawText(x, y, text);
  swapBuffers(deviceContext);
  return readShownBuffer();
}

class HudScene : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(openSceneWindow());
    char here[4096];
    ASSERT_TRUE(getcwd(here, sizeof here));
    ASSERT_EQ(chdir(VASK_DATA_DIR), 0);
    loadFont();
    ASSERT_EQ(chdir(here), 0);
    memset(riders, 0, sizeof riders);
    pointsUsed = 0;
    riderCount = 2;
    demoActive = 0;
    helpVisible = 0;
    scoresVisible = 0;
  }
  void TearDown() override { demoActive = 0; }

  // A repaint's end: a black frame with the scene's projection, then the HUD.
  std::string drawOverBlack() {
    beginFrame();
    drawHud();
    return readShownBuffer();
  }
};

TEST_F(HudScene, PanelIsGreyFrom25To225AcrossAnd255To455Up) {
  std::string frame = drawOverBlack();
  auto at = [&](int x, int y) { return (const uint8_t*)&frame[((size_t)y * 640 + x) * 3]; };
  const int inside[][2] = {{25, 255}, {224, 255}, {25, 454}, {224, 454}, {125, 355}};
  for (const auto& p : inside)
    EXPECT_TRUE(near(at(p[0], p[1]), 96, 96, 96)) << p[0] << "," << p[1] << ": " << pixelText(at(p[0], p[1]));
  const int outside[][2] = {{24, 300}, {225, 300}, {100, 254}, {100, 455}, {400, 100}};
  for (const auto& p : outside)
    EXPECT_TRUE(near(at(p[0], p[1]), 0, 0, 0)) << p[0] << "," << p[1] << ": " << pixelText(at(p[0], p[1]));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));  // back on for the text and the next frame
}

TEST_F(HudScene, TrailsAreDrawnOnThePanelInTheirRidersColoursLaterOnTop) {
  const float red[][2] = {{50.5f, 99.5f}, {150.5f, 99.5f}, {150.5f, 49.5f}};
  const float green[][2] = {{100.5f, 129.5f}, {100.5f, 69.5f}};  // crosses the red line
  riders[0].color = 0x0000FF;
  riders[1].color = 0x00FF00;
  giveTrail(0, red, 3);
  giveTrail(1, green, 2);
  scoresVisible = 1;
  riders[0].score = -3;
  riders[1].score = 12;
  std::string frame = drawOverBlack();
  saveShownPpm("/tmp/vask-screen-hud-minimap.ppm");
  auto at = [&](int x, int y) { return (const uint8_t*)&frame[((size_t)y * 640 + x) * 3]; };
  EXPECT_TRUE(near(at(70, 380), 255, 0, 0)) << pixelText(at(70, 380));   // first leg, y 480 - 99.5
  EXPECT_TRUE(near(at(150, 410), 255, 0, 0)) << pixelText(at(150, 410)); // second leg, upward
  EXPECT_TRUE(near(at(100, 380), 0, 255, 0)) << pixelText(at(100, 380)); // rider 1 over rider 0
  EXPECT_TRUE(near(at(100, 395), 0, 255, 0)) << pixelText(at(100, 395));
  EXPECT_TRUE(near(at(70, 390), 96, 96, 96)) << pixelText(at(70, 390));  // panel between lines
  EXPECT_TRUE(near(at(160, 420), 96, 96, 96)) << pixelText(at(160, 420)); // no closing line
}

TEST_F(HudScene, AttractModeHasNoMinimapButStillShowsScores) {
  demoActive = 1;
  scoresVisible = 1;
  riders[0].color = 0xFFFFFF;
  riders[0].score = 8;
  const float trail[][2] = {{50.5f, 99.5f}, {150.5f, 99.5f}};
  giveTrail(0, trail, 2);
  std::string frame = drawOverBlack();
  auto at = [&](int x, int y) { return (const uint8_t*)&frame[((size_t)y * 640 + x) * 3]; };
  EXPECT_TRUE(near(at(125, 300), 0, 0, 0)) << pixelText(at(125, 300));
  EXPECT_TRUE(near(at(70, 380), 0, 0, 0)) << pixelText(at(70, 380));
  std::string expected = textAlone(0, 434, "8", 0xFFFFFF);
  EXPECT_EQ(box(frame, 0, 430, 60, 450), box(expected, 0, 430, 60, 450));
}

TEST_F(HudScene, ScoresAreSpacedByTheRiderCountInTheirColours) {
  scoresVisible = 1;
  demoActive = 1;  // no panel, so each score can be compared on black
  const int32_t scores[5] = {0, -3, 12, 7, 105};
  const uint32_t colours[5] = {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
  for (int count = 2; count <= 5; count++) {
    riderCount = count;
    for (int i = 0; i < count; i++) {
      riders[i].score = scores[i];
      riders[i].color = colours[i];
    }
    std::string frame = drawOverBlack();
    int step = 600 / (count - 1);
    for (int i = 0; i < count; i++) {
      char text[16];
      snprintf(text, sizeof text, "%d", scores[i]);
      std::string expected = textAlone((float)(i * step), 434.0f, text, colours[i]);
      int x0 = i * step, x1 = i * step + 39 > 639 ? 639 : i * step + 39;
      EXPECT_EQ(box(frame, x0, 428, x1, 450), box(expected, x0, 428, x1, 450))
          << count << " riders, score of rider " << i;
    }
  }
}

TEST_F(HudScene, HiddenScoresAndHelpLeaveOnlyThePanel) {
  riders[0].color = 0xFFFFFF;
  riders[0].score = 5;
  std::string frame = drawOverBlack();
  EXPECT_EQ(box(frame, 230, 380, 639, 479), std::string(410 * 100 * 3, '\0'));
}

TEST_F(HudScene, HelpLinesAreWhiteAtTheirRows) {
  helpVisible = 1;
  demoActive = 1;
  std::string frame = drawOverBlack();
  const char* lines[3] = {"Arrow keys: Turn/Accel", "Z:Look left  X:Look right  C:Look back",
                          "V:Change view"};
  const float rows[3] = {414, 399, 384};
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  loadOverlay();
  setPackedColor(0xFFFFFFFF);
  for (int i = 0; i < 3; i++) drawText(0, rows[i], lines[i]);
  swapBuffers(deviceContext);
  std::string expected = readShownBuffer();
  EXPECT_EQ(box(frame, 0, 370, 639, 479), box(expected, 0, 370, 639, 479));
  // And it is white text, not something else that happens to match.
  uint8_t rgb[3] = {0, 0, 0};
  bool white = false;
  for (int x = 10; x < 200 && !white; x++)
    for (int y = 382; y < 428 && !white; y++) {
      memcpy(rgb, &frame[((size_t)y * 640 + x) * 3], 3);
      white = rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255;
    }
  EXPECT_TRUE(white);
  saveShownPpm("/tmp/vask-screen-hud-help.ppm");
}

TEST_F(HudScene, SceneCloserThanMidDepthHidesTheText) {
  // A wall 15 units in front of the camera (closer than 19.99) hides the scores; one at 30
  // does not.
  scoresVisible = 1;
  demoActive = 1;
  riders[0].color = 0xFFFFFF;
  riders[0].score = 8;
  for (float distance : {15.0f, 30.0f}) {
    beginFrame();
    glColor3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex3f(-100, -100, -distance);
    glVertex3f(100, -100, -distance);
    glVertex3f(100, 100, -distance);
    glVertex3f(-100, 100, -distance);
    glEnd();
    drawHud();
    std::string frame = readShownBuffer();
    bool white = false;
    for (int x = 10; x < 18; x++)
      for (int y = 432; y < 448; y++)
        if ((uint8_t)frame[((size_t)y * 640 + x) * 3] == 255) white = true;
    EXPECT_EQ(white, distance > 20.0f) << distance;
  }
}
}  // namespace
