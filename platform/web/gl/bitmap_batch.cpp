// Text as one draw: the bitmaps display lists hold (the font's glyphs) share one texture,
// and the glyphs of a run of text, whatever their raster colours, wait as quads to be drawn
// together. Drawn one by one, each glyph would cost a texture bind, a viewport change and a
// buffer upload of its own: a screen of help text is hundreds of them.
#include <string.h>
#include <vector>
#include "platform/web/gl/layer_state.h"
#include "platform/web/gl/shader_program.h"

namespace {
// Room for the 256 glyphs of an 8 by 16 font several times over; a bitmap that does not fit
// keeps its own texture.
enum { SHARED_SIZE = 512 };

const char* const VERTEX_SHADER =
    "attribute vec3 aPosition;\n"
    "attribute vec4 aColor;\n"
    "attribute vec2 aTexel;\n"
    "varying vec4 vColor;\n"
    "varying vec2 vTexel;\n"
    "void main() {\n"
    "  gl_Position = vec4(aPosition, 1.0);\n"
    "  vColor = aColor;\n"
    "  vTexel = aTexel;\n"
    "}\n";

const char* const FRAGMENT_SHADER =
    "precision mediump float;\n"
    "uniform sampler2D uImage;\n"
    "varying vec4 vColor;\n"
    "varying vec2 vTexel;\n"
    "void main() {\n"
    "  if (texture2D(uImage, vTexel).a < 0.5) discard;\n"
    "  gl_FragColor = vColor;\n"
    "}\n";

const char* const ATTRIBUTES[] = {"aPosition", "aColor", "aTexel", 0};

// A corner of a glyph's quad, in clip coordinates over the whole drawing buffer.
struct BitmapVertex {
  float x, y, z;
  uint8_t color[4];
  float u, v;
};

struct Batch {
  GLuint program, texture, buffer;
  int shelfX, shelfY, shelfHeight;  // where the next bitmap goes: rows filled left to right
  std::vector<BitmapVertex> waiting;
};
Batch batch;

void pointArrays() {
  bindArrayBuffer(batch.buffer);
  if (vertexLayoutSet(batch.buffer, LAYOUT_BITMAP_VERTEX)) return;
  const GLsizei stride = sizeof(BitmapVertex);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, (const void*)offsetof(BitmapVertex, x));
  glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                        (const void*)offsetof(BitmapVertex, color));
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, (const void*)offsetof(BitmapVertex, u));
  vertexLayoutNowSet(batch.buffer, LAYOUT_BITMAP_VERTEX);
}
}  // namespace

int startBitmapBatch() {
  batch.program = buildShaderProgram(VERTEX_SHADER, FRAGMENT_SHADER, "GL 1.1 layer bitmaps", ATTRIBUTES);
  if (!batch.program) return 0;
  useProgram(batch.program);
  glUniform1i(glGetUniformLocation(batch.program, "uImage"), 0);
  glGenBuffers(1, &batch.buffer);
  glGenTextures(1, &batch.texture);
  bindTexture(batch.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  std::vector<GLubyte> empty((size_t)SHARED_SIZE * SHARED_SIZE, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, SHARED_SIZE, SHARED_SIZE, 0, GL_ALPHA,
               GL_UNSIGNED_BYTE, empty.data());
  batch.shelfX = batch.shelfY = batch.shelfHeight = 0;
  batch.waiting.clear();
  return 1;
}

void stopBitmapBatch() {
  batch.waiting.clear();
  bufferDeleted(batch.buffer);
  textureDeleted(batch.texture);
  glDeleteBuffers(1, &batch.buffer);
  glDeleteTextures(1, &batch.texture);
  glDeleteProgram(batch.program);
  forgetDrawState();  // the program's name may come back for another
  batch.program = batch.buffer = batch.texture = 0;
}

// Lists deleted leave their cells behind: a font loaded again takes fresh ones, and past
// the texture's room new bitmaps take textures of their own.
int placeBitmap(int width, int height, const GLubyte* mask, BitmapCell* cell) {
  if (width <= 0 || height <= 0 || width > SHARED_SIZE || height > SHARED_SIZE) return 0;
  if (batch.shelfX + width > SHARED_SIZE) {
    batch.shelfX = 0;
    batch.shelfY += batch.shelfHeight;
    batch.shelfHeight = 0;
  }
  if (batch.shelfY + height > SHARED_SIZE) return 0;
  cell->x = batch.shelfX;
  cell->y = batch.shelfY;
  batch.shelfX += width;
  if (height > batch.shelfHeight) batch.shelfHeight = height;
  bindTexture(batch.texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, cell->x, cell->y, width, height, GL_ALPHA, GL_UNSIGNED_BYTE,
                  mask);
  return 1;
}

void queueBitmap(const BitmapCell& cell, int width, int height, int x, int y, float z,
                 const float color[4]) {
  drawWaitingTriangles();
  // Window pixels to clip coordinates over the whole drawing buffer: like a pixel rectangle,
  // a bitmap is clipped only at the window's edges, not at the viewport's.
  const float sx = 2.0f / (float)layer.drawable[0], sy = 2.0f / (float)layer.drawable[1];
  const float x0 = x * sx - 1.0f, x1 = (x + width) * sx - 1.0f;
  const float y0 = y * sy - 1.0f, y1 = (y + height) * sy - 1.0f;
  const float u0 = (float)cell.x / SHARED_SIZE, u1 = (float)(cell.x + width) / SHARED_SIZE;
  const float v0 = (float)cell.y / SHARED_SIZE, v1 = (float)(cell.y + height) / SHARED_SIZE;
  BitmapVertex corner[4];
  const float corners[4][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x0, y1, u0, v1}, {x1, y1, u1, v1}};
  for (int i = 0; i < 4; i++) {
    corner[i].x = corners[i][0];
    corner[i].y = corners[i][1];
    corner[i].z = 2.0f * z - 1.0f;
    colorTo8Bits(color, corner[i].color);
    corner[i].u = corners[i][2];
    corner[i].v = corners[i][3];
  }
  const int order[6] = {0, 1, 2, 2, 1, 3};
  for (int i : order) batch.waiting.push_back(corner[i]);
}

void drawWaitingBitmaps() {
  if (batch.waiting.empty()) return;
  if (layer.discarding) {
    batch.waiting.clear();
    return;
  }
  useProgram(batch.program);
  const GLint whole[4] = {0, 0, layer.drawable[0], layer.drawable[1]};
  setViewport(whole);
  bindTexture(batch.texture);
  bindArrayBuffer(batch.buffer);
  glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(batch.waiting.size() * sizeof(BitmapVertex)),
               batch.waiting.data(), GL_STREAM_DRAW);
  pointArrays();
  glDrawArrays(GL_TRIANGLES, 0, (GLsizei)batch.waiting.size());
  batch.waiting.clear();
}
