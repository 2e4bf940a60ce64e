// The drawing presets, the packed colour, the frame start, the viewport and the overlay
// page, read back from a real GL context.
#include <gtest/gtest.h>
#include <math.h>

#include "platform/opengl.h"
#include "render/draw_helpers.h"
#include "render/graphics.h"
#include "scene_support.h"
#include "support/gl_test_window.h"

namespace {

struct Color4 {
  float r, g, b, a;
};

Color4 currentColor() {
  GLfloat c[4];
  glGetFloatv(GL_CURRENT_COLOR, c);
  Color4 out = {c[0], c[1], c[2], c[3]};
  return out;
}

GLint shadeModel() {
  GLint m;
  glGetIntegerv(GL_SHADE_MODEL, &m);
  return m;
}

void expectColor(Color4 c, float r, float g, float b, float a) {
  EXPECT_FLOAT_EQ(c.r, r);
  EXPECT_FLOAT_EQ(c.g, g);
  EXPECT_FLOAT_EQ(c.b, b);
  EXPECT_FLOAT_EQ(c.a, a);
}

void expectMatrix(GLenum which, const double* expected) {
  GLdouble m[16];
  glGetDoublev(which, m);
  for (int i = 0; i < 16; i++) EXPECT_NEAR(m[i], expected[i], 1e-5 * (1 + fabs(expected[i]))) << i;
}

TEST(PackedColor, EachLowByteIsAChannelAndAlphaIsOne) {
  openSceneWindow();
  const float k = 0.003921568859368563f;
  setPackedColor(0xFFFFFFFFu);
  expectColor(currentColor(), 1, 1, 1, 1);
  setPackedColor(0x00FF0000u);
  expectColor(currentColor(), 0, 0, 1, 1);
  setPackedColor(0x00804020u);
  expectColor(currentColor(), 0x20 * k, 0x40 * k, 0x80 * k, 1);
  setPackedColor(0x00000001u);
  EXPECT_EQ(currentColor().r, k);
  setPackedColor(0xAB0000FFu);  // the top byte is ignored
  expectColor(currentColor(), 1, 0, 0, 1);
}

TEST(DrawPresets, EachSetsItsShadingAndColourOnly) {
  openSceneWindow();
  glShadeModel(GL_SMOOTH);
  glColor4f(0.3f, 0.3f, 0.3f, 0.3f);
  setFloorShade();
  EXPECT_EQ(shadeModel(), GL_FLAT);
  expectColor(currentColor(), 0, 0, 0.4f, 0);

  glShadeModel(GL_SMOOTH);
  setBurstShade();
  EXPECT_EQ(shadeModel(), GL_FLAT);
  expectColor(currentColor(), 1, 0, 0, 0);

  glShadeModel(GL_SMOOTH);
  glEnable(GL_TEXTURE_2D);
  glColor4f(0.25f, 0.5f, 0.75f, 1);
  setFlatUntextured();
  EXPECT_EQ(shadeModel(), GL_FLAT);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  expectColor(currentColor(), 0.25f, 0.5f, 0.75f, 1);

  glEnable(GL_TEXTURE_2D);
  setSmoothUntextured();
  EXPECT_EQ(shadeModel(), GL_SMOOTH);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  expectColor(currentColor(), 0.25f, 0.5f, 0.75f, 1);
}

TEST(BeginFrame, ClearsToBlackAndLoadsTheSquarePerspective) {
  openSceneWindow();
  glClearColor(0.5f, 1, 0.25f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glTranslatef(3, 4, 5);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(1, 2, 3);
  glMatrixMode(GL_TEXTURE);
  beginFrame();
  EXPECT_TRUE(near(pixelAt(320, 240), Rgb{0, 0, 0}, 0));
  EXPECT_TRUE(near(pixelAt(0, 0), Rgb{0, 0, 0}, 0));
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[3], 0.0f);

  double f = 1.0 / tan(35.0 * M_PI / 180.0), n = 10, fa = 30000;
  const double projection[16] = {f, 0, 0, 0, 0, f, 0, 0, 0, 0, (fa + n) / (n - fa), -1,
                                 0, 0, 2 * fa * n / (n - fa), 0};
  expectMatrix(GL_PROJECTION_MATRIX, projection);
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  expectMatrix(GL_MODELVIEW_MATRIX, identity);
  GLint mode;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST(OverlayPage, BeginningKeepsThePictureAndOtherModesChangeNothing) {
  openSceneWindow();
  glClearColor(1, 0, 0, 1);
  glClearDepth(0.25);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearDepth(1.0);
  glColor3f(0, 1, 0);
  overlayPage(0);
  EXPECT_TRUE(near(pixelAt(320, 240), Rgb{255, 0, 0}, 0));  // the colour buffer stays
  GLfloat depth = 0;
  glReadPixels(320, 240, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_FLOAT_EQ(depth, 1.0f);  // the depth buffer is cleared
  const double ortho[16] = {2.0 / 640, 0, 0, 0, 0, 2.0 / 480, 0, 0, 0, 0, -1, 0, -1, -1, 0, 1};
  expectMatrix(GL_PROJECTION_MATRIX, ortho);
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  expectMatrix(GL_MODELVIEW_MATRIX, identity);
  expectColor(currentColor(), 1, 1, 1, 1);

  // A white square in the page's units lands where the 640 by 480 page says.
  glBegin(GL_QUADS);
  glVertex2f(100, 100), glVertex2f(140, 100), glVertex2f(140, 140), glVertex2f(100, 140);
  glEnd();
  EXPECT_TRUE(near(pixelAt(120, 120), Rgb{255, 255, 255}, 0));
  EXPECT_TRUE(near(pixelAt(145, 120), Rgb{255, 0, 0}, 0));

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glColor3f(0, 0, 1);
  overlayPage(2);
  overlayPage(200);
  expectMatrix(GL_PROJECTION_MATRIX, identity);
  expectColor(currentColor(), 0, 0, 1, 1);
  EXPECT_TRUE(near(pixelAt(120, 120), Rgb{255, 255, 255}, 0));
}

TEST(ResizeGraphics, SetsTheViewportOnceGlIsUp) {
  GlTestWindow w;
  ASSERT_EQ(openGlTestWindow(&w), 1);
  glViewport(0, 0, 640, 480);
  GLint view[4];
  renderContext = 0;
  resizeGraphics(10, 20);  // the size message during window creation
  glGetIntegerv(GL_VIEWPORT, view);
  EXPECT_EQ(view[2], 640);
  EXPECT_EQ(view[3], 480);
  renderContext = w.rc;
  resizeGraphics(320, 200);
  glGetIntegerv(GL_VIEWPORT, view);
  EXPECT_EQ(view[0], 0);
  EXPECT_EQ(view[1], 0);
  EXPECT_EQ(view[2], 320);
  EXPECT_EQ(view[3], 200);
  renderContext = 0;
}

}  // namespace
