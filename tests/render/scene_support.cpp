#include "scene_support.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "platform/opengl.h"
#include "render/graphics.h"
#include "support/gl_test_window.h"

const char* const PLATE_MODEL =
    "#VRML V2.0 utf8\n"
    "DEF Plate Transform {\n"
    "  children [ Shape {\n"
    "    appearance Appearance { material Material { diffuseColor 1 1 1 } }\n"
    "    geometry IndexedFaceSet {\n"
    "      coord DEF PlatePoints Coordinate { point [\n"
    "        0 0 -0.125, 1 0 -0.125, 1 0 0.125, 0 0 0.125 ] }\n"
    "      coordIndex [ 0, 1, 2, 3, -1 ]\n"
    "    } } ]\n"
    "}\n";

void openSceneWindow() {
  GlTestWindow w;
  ASSERT_EQ(openGlTestWindow(&w), 1);
  glViewport(0, 0, 640, 480);
  glEnable(GL_DEPTH_TEST);
}

void enterDirectoryWithModel(const char* modelText) {
  char dir[] = "/tmp/vask-scene-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  ASSERT_EQ(chdir(dir), 0);
  FILE* f = fopen("vask3.wrl", "w");
  ASSERT_NE(f, nullptr);
  fputs(modelText, f);
  fclose(f);
}

void resetRiders(int count) {
  memset(riders, 0, sizeof riders);
  riderCount = count;
  for (int i = 0; i < count; i++) {
    riders[i].y = 12;
    riders[i].speed = 10;
    placeRider(i, 0, 0, 1);
  }
}

void setRiderColor(int rider, float red, float green, float blue) {
  riders[rider].colorRed = red;
  riders[rider].colorGreen = green;
  riders[rider].colorBlue = blue;
}

void placeRider(int rider, float x, float z, int heading) {
  static const float dirX[4] = {0, 1, 0, -1}, dirZ[4] = {1, 0, -1, 0};
  riders[rider].x = x;
  riders[rider].z = z;
  riders[rider].heading = heading;
  riders[rider].dirX = dirX[heading & 3];
  riders[rider].dirZ = dirZ[heading & 3];
}

void setTrail(int rider, int count, const float* xz, float red, float green, float blue) {
  Rider* r = &riders[rider];
  r->trailHead = r->trailTail = 0;
  for (int i = 0; i < count; i++) {
    TrailPoint* p = (TrailPoint*)calloc(1, sizeof(TrailPoint));
    p->x = xz[2 * i];
    p->z = xz[2 * i + 1];
    p->red = red, p->green = green, p->blue = blue, p->alpha = 255;
    if (r->trailTail)
      r->trailTail->next = p;
    else
      r->trailHead = p;
    r->trailTail = p;
  }
  r->x = r->trailTail->x;
  r->z = r->trailTail->z;
}

void lookFromTo(float ex, float ey, float ez, float tx, float ty, float tz, float upX, float upY,
                float upZ) {
  beginFrame();
  gluLookAt(-ex, ey, ez, -tx, ty, tz, -upX, upY, upZ);
}

void projectWorld(float x, float y, float z, int* px, int* py) {
  GLdouble model[16], proj[16];
  GLint view[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, view);
  GLdouble wx, wy, wz;
  gluProject(-x, y, z, model, proj, view, &wx, &wy, &wz);
  *px = (int)floor(wx);
  *py = (int)floor(wy);
}

Rgb pixelAt(int px, int py) {
  uint8_t rgb[3] = {0, 0, 0};
  if (px >= 0 && px < 640 && py >= 0 && py < 480) readPixelRgb(px, py, rgb);
  Rgb c = {rgb[0], rgb[1], rgb[2]};
  return c;
}

Rgb pixelAtWorld(float x, float y, float z) {
  int px, py;
  projectWorld(x, y, z, &px, &py);
  EXPECT_TRUE(px >= 0 && px < 640 && py >= 0 && py < 480)
      << "(" << x << ", " << y << ", " << z << ") is off screen at " << px << ", " << py;
  return pixelAt(px, py);
}

bool near(Rgb a, Rgb b, int tolerance) {
  return abs(a.r - b.r) <= tolerance && abs(a.g - b.g) <= tolerance && abs(a.b - b.b) <= tolerance;
}

// Readable colours in failure messages.
void PrintTo(const Rgb& c, std::ostream* os) { *os << "(" << c.r << ", " << c.g << ", " << c.b << ")"; }

int catchPolygons(void (*draw)(), CaughtPolygon* out, int max) {
  enum { FLOATS = 1 << 16 };
  static GLfloat buffer[FLOATS];
  GLint oldView[4];
  glGetIntegerv(GL_VIEWPORT, oldView);
  glViewport(0, 0, 200, 200);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-100, 100, -100, 100, -100, 100);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glFeedbackBuffer(FLOATS, GL_3D_COLOR, buffer);
  glRenderMode(GL_FEEDBACK);
  draw();
  GLint used = glRenderMode(GL_RENDER);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glViewport(oldView[0], oldView[1], oldView[2], oldView[3]);
  EXPECT_GE(used, 0) << "feedback buffer overflowed";

  int caught = 0;
  for (GLint at = 0; at < used;) {
    GLint token = (GLint)buffer[at++];
    if (token == GL_POLYGON_TOKEN) {
      int n = (int)buffer[at++];
      CaughtPolygon* p = caught < max ? &out[caught] : 0;
      if (p) p->count = n;
      for (int v = 0; v < n; v++, at += 7) {
        if (!p || v >= 64) continue;
        p->x[v] = buffer[at] - 100.0f;
        p->y[v] = buffer[at + 1] - 100.0f;
        p->z[v] = 100.0f * (1.0f - 2.0f * buffer[at + 2]);
        if (v == 0) {
          p->color.r = (int)lroundf(buffer[at + 3] * 255.0f);
          p->color.g = (int)lroundf(buffer[at + 4] * 255.0f);
          p->color.b = (int)lroundf(buffer[at + 5] * 255.0f);
        }
      }
      caught++;
    } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN ||
               token == GL_DRAW_PIXEL_TOKEN || token == GL_COPY_PIXEL_TOKEN) {
      at += 7;
    } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      at += 14;
    } else if (token == GL_PASS_THROUGH_TOKEN) {
      at += 1;
    } else {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
  }
  return caught;
}
