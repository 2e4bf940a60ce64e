// The 8 by 16 bitmap font: "flori.fnt" turned into 256 glyph display lists.
#include "render/font.h"
#include <stdio.h>
#include <string.h>
#include "platform/opengl.h"
#include "platform/window.h"

enum { GLYPH_COUNT = 256, GLYPH_ROWS = 16, FONT_FILE_SIZE = GLYPH_COUNT * GLYPH_ROWS };

uint8_t fontGlyphs[FONT_FILE_SIZE];
uint32_t fontListBase = 0;

void loadFont() {
  // A missing or short font leaves the glyphs it lacks blank; the game runs on without text.
  memset(fontGlyphs, 0, sizeof fontGlyphs);
  FILE* file = fopen("flori.fnt", "rb");
  if (!file) {
    outputDebugString("Could not open flori.fnt: text will be blank\n");
  } else {
    size_t got = fread(fontGlyphs, 1, sizeof fontGlyphs, file);
    fclose(file);
    if (got < sizeof fontGlyphs) {
      char message[96];
      snprintf(message, sizeof message,
               "flori.fnt is short (%u of %u bytes): the glyphs it lacks will be blank\n",
               (unsigned)got, (unsigned)FONT_FILE_SIZE);
      outputDebugString(message);
    }
  }

  // The file stores rows top first; glBitmap wants them bottom first.
  for (int g = 0; g < GLYPH_COUNT; g++) {
    uint8_t* glyph = fontGlyphs + g * GLYPH_ROWS;
    for (int i = 0; i < GLYPH_ROWS / 2; i++) {
      uint8_t row = glyph[i];
      glyph[i] = glyph[GLYPH_ROWS - 1 - i];
      glyph[GLYPH_ROWS - 1 - i] = row;
    }
  }

  if (fontListBase != 0) glDeleteLists(fontListBase, GLYPH_COUNT);  // a reload replaces them
  fontListBase = glGenLists(GLYPH_COUNT);
  // One byte per row: with any wider unpack alignment glBitmap would read past each glyph.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int g = 0; g < GLYPH_COUNT; g++) {
    glNewList(fontListBase + g, GL_COMPILE);
    // Two rows hang below the text line; 8 pixels of glyph and 2 of spacing.
    glBitmap(8, 16, 0.0f, 2.0f, 10.0f, 0.0f, fontGlyphs + g * GLYPH_ROWS);
    glEndList();
  }
  glPopClientAttrib();
}

void drawText(float x, float y, const char* text) {
  if (!text) return;
  glRasterPos2f(x + 10.0f, y);
  glPushAttrib(GL_LIST_BIT);
  glListBase(fontListBase);
  glCallLists((GLsizei)strlen(text), GL_UNSIGNED_BYTE, text);
  glPopAttrib();
}
