// Call sequences over every GL 1.1 feature the game uses, with the values that tell a
// wrong layer apart: differing colours at each vertex of flat faces, list bases that
// change what a call draws, alignments that change how rows are read.
#include <string.h>
#include "platform/opengl.h"
#include "scenes.h"

namespace {
void overlay() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, 640.0, 0.0, 480.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void perspectiveView() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(70.0, 1.0, 10.0, 30000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(-300.0, 250.0, 400.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
}

// Three vertex colours, so the face shows which one it took.
void triangle(float x, float y, float z, float size) {
  glColor4f(1, 0, 0, 1), glVertex3f(x, y, z);
  glColor4f(0, 1, 0, 1), glVertex3f(x + size, y, z);
  glColor4f(0, 0, 1, 1), glVertex3f(x, y + size, z + size * 0.5f);
}

void strip(float x, float z, int quads) {
  glBegin(GL_QUAD_STRIP);
  for (int i = 0; i <= quads; i++) {
    glColor4f(0.2f * i, 1.0f - 0.2f * i, 0.5f, 1);
    glVertex3f(x + 60.0f * i, 80, z);
    glColor4f(1.0f, 0.3f * i, 0.1f * i, 1);
    glVertex3f(x + 60.0f * i, 0, z + 10.0f * i);
  }
  glEnd();
}

void pentagon(float x, float y) {
  static const float corners[5][2] = {{0, 0}, {50, -10}, {70, 40}, {30, 70}, {-10, 40}};
  glBegin(GL_POLYGON);
  for (int i = 0; i < 5; i++) {
    glColor4f(0.2f * i, 0.6f, 1.0f - 0.2f * i, 1);
    glVertex3f(x + corners[i][0], y + corners[i][1], -20.0f);
  }
  glEnd();
}

void shapes() {
  glBegin(GL_TRIANGLES);
  triangle(-200, 0, 0, 120);
  triangle(-50, 20, -100, 90);
  glEnd();
  strip(-100, 150, 3);
  pentagon(50, 100);
  glBegin(GL_LINES);
  glColor4f(1, 1, 0, 1), glVertex3f(-250, 0, -200);
  glColor4f(0, 1, 1, 1), glVertex3f(250, 30, -200);
  glColor4f(1, 0, 1, 1), glVertex3f(-250, 200, -250);
  glColor4f(1, 1, 1, 1), glVertex3f(250, 100, 150);
  glEnd();
}

void square(float x, float y, float z, float r, float g, float b) {
  glColor4f(r, g, b, 1);
  glBegin(GL_POLYGON);
  glVertex3f(x, y, z), glVertex3f(x + 60, y, z), glVertex3f(x + 60, y + 60, z), glVertex3f(x, y + 60, z);
  glEnd();
}

// Flat and smooth faces, depth-tested, then rectangles over them.
void flatAndSmoothShapes() {
  glEnable(GL_DEPTH_TEST);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  perspectiveView();
  glShadeModel(GL_FLAT);
  shapes();
  glTranslatef(0.0f, -200.0f, 0.0f);
  glShadeModel(GL_SMOOTH);
  shapes();
  overlay();
  glDisable(GL_DEPTH_TEST);
  glColor4f(0.376f, 0.376f, 0.376f, 1);
  glRectf(25.0f, 455.0f, 225.0f, 355.0f);
  glColor4f(1, 0.5f, 0, 1);
  glRectf(600.0f, 20.0f, 500.0f, 60.0f);
  // A switch acts between the primitives around it: the red square hides behind the white,
  // the green one, drawn with the depth test off, does not.
  glEnable(GL_DEPTH_TEST);
  square(500, 300, 0.8f, 1, 1, 1);
  square(530, 330, 0.0f, 1, 0, 0);
  glDisable(GL_DEPTH_TEST);
  square(560, 360, 0.0f, 0, 1, 0);
}

// An 8 by 16 glyph: an outline with a diagonal, bottom row first.
void glyph(unsigned char* rows, int variant) {
  for (int r = 0; r < 16; r++) rows[r] = (unsigned char)((r == 0 || r == 15) ? 0xFF : 0x81 | (0x80 >> ((r + variant) % 8)));
}

// Fixed-number lists, then a font reserved with glGenLists and drawn through a list base
// that glPushAttrib keeps.
void listsAndListBase() {
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_FLAT);
  glClearColor(0.1f, 0.1f, 0.2f, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glNewList(1, GL_COMPILE);
  glShadeModel(GL_SMOOTH);
  glColor4f(0, 0, 0.4f, 0);
  glBegin(GL_QUAD_STRIP);
  glVertex3f(-400, -50, -400), glVertex3f(400, -50, -400);
  glVertex3f(-400, -50, 400), glVertex3f(400, -50, 400);
  glEnd();
  glEndList();
  glNewList(2, GL_COMPILE);
  glShadeModel(GL_FLAT);
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_TRIANGLES);
  triangle(-150, -50, 0, 150);
  glColor4f(0.9f, 0.8f, 0.1f, 1);
  glVertex3f(0, -50, -100), glVertex3f(150, -50, -100), glVertex3f(100, 150, -100);
  glEnd();
  glEndList();
  glNewList(3, GL_COMPILE);  // replaced below: only the second one may draw
  glColor4f(1, 0, 0, 1);
  glRectf(0, 0, 640, 480);
  glEndList();
  glNewList(3, GL_COMPILE);
  glEndList();

  unsigned char font[4][16];
  GLuint base = glGenLists(4);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int g = 0; g < 4; g++) {
    glyph(font[g], g);
    glNewList(base + g, GL_COMPILE);
    glBitmap(8, 16, 0.0f, 2.0f, 10.0f, 0.0f, font[g]);
    glEndList();
  }
  glPopClientAttrib();

  glColor4f(0, 1, 0, 1);  // compiling changed nothing current: this colour stays
  perspectiveView();
  glCallList(1);
  glCallList(2);
  glCallList(3);
  overlay();
  glRectf(300, 400, 340, 440);  // in the colour list 2 left current
  glColor4f(1, 1, 1, 1);
  glRasterPos2f(20, 20);
  const unsigned char text[] = {0, 1, 2, 3, 3, 2, 1, 0};
  glListBase(base);
  glPushAttrib(GL_LIST_BIT);
  glListBase(base + 1);
  glCallLists(8, GL_UNSIGNED_BYTE, text);  // list base + 4 does not exist: it draws nothing
  glPopAttrib();
  glCallLists(8, GL_UNSIGNED_BYTE, text);
  glDeleteLists(base + 2, 1);
  glRasterPos2f(20, 60);
  glCallLists(8, GL_UNSIGNED_BYTE, text);
}

// Lists replaced between draws, immediate primitives and text between list calls: what
// the layer remembers having sent must follow, and text still waiting to be drawn must go
// down before the list called right after it, which covers it.
void screenTriangle(float x, float y, float size) {
  glBegin(GL_TRIANGLES);
  glColor4f(1, 0, 0, 1), glVertex2f(x, y);
  glColor4f(0, 1, 0, 1), glVertex2f(x + size, y);
  glColor4f(0, 0, 1, 1), glVertex2f(x, y + size);
  glEnd();
}

void listsReplacedBetweenDraws() {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  overlay();
  glNewList(1, GL_COMPILE);
  screenTriangle(20, 20, 200);
  glEndList();
  glCallList(1);
  glDeleteLists(1, 1);
  glNewList(2, GL_COMPILE);
  glShadeModel(GL_FLAT);
  screenTriangle(300, 40, 250);
  glEndList();
  glShadeModel(GL_SMOOTH);
  screenTriangle(40, 260, 150);
  glCallList(2);
  screenTriangle(250, 300, 120);

  unsigned char font[2][16];
  GLuint base = glGenLists(2);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int g = 0; g < 2; g++) {
    glyph(font[g], g);
    glNewList(base + g, GL_COMPILE);
    glBitmap(8, 16, 0.0f, 2.0f, 10.0f, 0.0f, font[g]);
    glEndList();
  }
  const unsigned char text[] = {0, 1, 1, 0, 1, 0, 0, 1};
  glListBase(base);
  glColor4f(1, 1, 0, 1);
  glRasterPos2f(310, 100);
  glCallLists(8, GL_UNSIGNED_BYTE, text);
  glColor4f(0, 1, 1, 1);
  glRasterPos2f(310, 130);
  glCallLists(8, GL_UNSIGNED_BYTE, text);
  glCallList(2);  // over the text
  glRasterPos2f(500, 400);
  glCallLists(8, GL_UNSIGNED_BYTE, text);
}

// More list bitmaps than one shared texture holds, and one wider than it: those that do
// not fit keep textures of their own and must draw the same.
void listBitmapsBeyondTheSharedTexture() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  overlay();
  enum { COUNT = 72, SIDE = 64, ROW_BYTES = SIDE / 8 };
  static unsigned char bits[COUNT][SIDE * ROW_BYTES];
  static unsigned char wide[520 / 8 * 4];
  for (int i = 0; i < COUNT; i++)
    for (int b = 0; b < SIDE * ROW_BYTES; b++)
      bits[i][b] = (unsigned char)(((unsigned)(i * 37 + b * 11) * 2654435761u) >> 24);
  for (size_t b = 0; b < sizeof wide; b++) wide[b] = (unsigned char)(b % 3 ? 0xF0 : 0x0F);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  GLuint base = glGenLists(COUNT + 1);
  for (int i = 0; i < COUNT; i++) {
    glNewList(base + i, GL_COMPILE);
    glBitmap(SIDE, SIDE, 0.0f, 0.0f, 0.0f, 0.0f, bits[i]);
    glEndList();
  }
  glNewList(base + COUNT, GL_COMPILE);
  glBitmap(520, 4, 0.0f, 0.0f, 0.0f, 0.0f, wide);
  glEndList();
  for (int i = 0; i < COUNT; i++) {
    glColor4f((i % 3) * 0.5f, 1.0f - (i % 4) * 0.25f, (i / 12) * 0.2f, 1);
    glRasterPos2f((float)(i % 12) * 52.0f, (float)(i / 12) * 76.0f);
    glCallList(base + i);
  }
  glColor4f(1, 1, 1, 1);
  glRasterPos2f(60, 470);
  glCallList(base + COUNT);
}

// Bitmaps at raster positions: colour taken at glRasterPos, rows read at the unpack
// alignment, fractional positions, a position outside the view, and the depth test.
void bitmapsAtRasterPositions() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  overlay();
  static const unsigned char narrow[12] = {0xF8, 0x88, 0xA8, 0x88, 0xF8, 0x20,
                                           0x70, 0xD8, 0x88, 0x50, 0x20, 0xF8};
  glColor4f(1, 0.5f, 0.25f, 1);
  glRasterPos2f(100.3f, 200.7f);
  glColor4f(0, 0, 1, 1);  // too late for the raster colour
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBitmap(5, 12, 0.0f, 0.0f, 7.0f, 1.0f, narrow);
  glBitmap(5, 6, 2.0f, 0.0f, 7.0f, 0.0f, narrow);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 2);  // rows 2 bytes apart: every other row
  glBitmap(5, 6, 0.0f, 0.0f, 7.0f, 0.0f, narrow);
  glPopClientAttrib();
  glBitmap(5, 12, 0.0f, 0.0f, 7.0f, 0.0f, narrow);  // back to 1
  glColor4f(0, 1, 0, 1);
  glRasterPos2f(639.0f, 479.0f);  // partly off the window
  glBitmap(5, 12, 0.0f, 0.0f, 0.0f, 0.0f, narrow);
  glRasterPos2f(-5.0f, 100.0f);  // outside the view: nothing draws
  glBitmap(5, 12, -10.0f, 0.0f, 0.0f, 0.0f, narrow);
  // Drawn in order: a bitmap over a square just drawn.
  square(40, 40, 0.0f, 0.5f, 0.5f, 0.5f);
  glColor4f(1, 1, 0, 1);
  glRasterPos2f(60, 60);
  glBitmap(5, 12, 0.0f, 0.0f, 0.0f, 0.0f, narrow);
  // A rectangle nearer than the text hides it where they meet.
  glEnable(GL_DEPTH_TEST);
  glColor4f(0.5f, 0.5f, 0.5f, 1);
  glBegin(GL_POLYGON);
  glVertex3f(300, 100, 0.5f), glVertex3f(400, 100, 0.5f), glVertex3f(400, 300, 0.5f),
      glVertex3f(300, 300, 0.5f);
  glEnd();
  glColor4f(1, 1, 1, 1);
  for (int i = 0; i < 20; i++) {
    glRasterPos2f(290.0f + 7 * i, 150.0f + 3 * i);
    glBitmap(5, 12, 0.0f, 0.0f, 0.0f, 0.0f, narrow);
  }
}

// An RGB picture with rows of 61 pixels: 183 bytes, padded to 184 at alignment 4. Each
// alignment reads its own copy: Mesa keeps the texture of the last glDrawPixels for the
// same address and size, whatever the alignment.
void pixelRectangles() {
  static unsigned char picture[184 * 37], copy[184 * 37];
  for (int y = 0; y < 37; y++)
    for (int x = 0; x < 184; x++) picture[y * 184 + x] = (unsigned char)(x * 7 + y * 13);
  memcpy(copy, picture, sizeof copy);
  glClearColor(0, 0.25f, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  overlay();
  glRasterPos2f(0, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glDrawPixels(61, 37, GL_RGB, GL_UNSIGNED_BYTE, picture);
  glRasterPos2f(200.4f, 300.6f);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glDrawPixels(61, 37, GL_RGB, GL_UNSIGNED_BYTE, copy);
  glRasterPos2f(620, 470);  // runs off the window's corner
  glDrawPixels(61, 37, GL_RGB, GL_UNSIGNED_BYTE, copy);
}

const Scene SCENES[] = {
    {"flat_and_smooth_shapes", flatAndSmoothShapes},
    {"lists_and_list_base", listsAndListBase},
    {"lists_replaced_between_draws", listsReplacedBetweenDraws},
    {"list_bitmaps_beyond_the_shared_texture", listBitmapsBeyondTheSharedTexture},
    {"bitmaps_at_raster_positions", bitmapsAtRasterPositions},
    {"pixel_rectangles", pixelRectangles},
};
}  // namespace

extern const Scene GAME_SCENES[];
extern const int GAME_SCENE_COUNT;

const Scene* findScene(const char* name) {
  for (const Scene& s : SCENES)
    if (strcmp(s.name, name) == 0) return &s;
  for (int i = 0; i < GAME_SCENE_COUNT; i++)
    if (strcmp(GAME_SCENES[i].name, name) == 0) return &GAME_SCENES[i];
  return 0;
}
