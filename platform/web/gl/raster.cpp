// The raster position and the pixel rectangles drawn at it: glBitmap's 1-bit glyphs in the
// raster colour and glDrawPixels' RGB pictures, each a texture drawn one texel to a pixel.
#include <math.h>
#include <string.h>
#include <vector>
#include "platform/web/gl/layer_state.h"

namespace {
float clamp01(float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }

// The start of row `row` of an image whose rows hold `rowBytes` bytes, at GL's unpack alignment.
size_t rowStart(int row, size_t rowBytes) {
  size_t a = (size_t)layer.unpackAlignment;
  return (size_t)row * ((rowBytes + a - 1) / a * a);
}

void setTextureImage(GLuint texture, GLenum format, int width, int height, const void* texels) {
  bindTexture(texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, GL_UNSIGNED_BYTE, texels);
}

// Rounds half away from zero, as Mesa places pixel rectangles.
int roundToPixel(float v) { return (int)(v >= 0.0f ? v + 0.5f : v - 0.5f); }
}  // namespace

void gl11RasterPos2f(GLfloat x, GLfloat y) {
  const float* mv = currentMatrix(&layer.modelview);
  const float* p = currentMatrix(&layer.projection);
  float object[4] = {x, y, 0.0f, 1.0f}, eye[4], clip[4];
  for (int r = 0; r < 4; r++)
    eye[r] = mv[r] * object[0] + mv[4 + r] * object[1] + mv[8 + r] * object[2] + mv[12 + r] * object[3];
  for (int r = 0; r < 4; r++)
    clip[r] = p[r] * eye[0] + p[4 + r] * eye[1] + p[8 + r] * eye[2] + p[12 + r] * eye[3];
  float w = clip[3];
  layer.rasterValid = 1;
  for (int i = 0; i < 3; i++)
    if (clip[i] < -w || clip[i] > w) layer.rasterValid = 0;  // outside: later bitmaps draw nothing
  if (!layer.rasterValid) return;
  const GLint* v = layer.viewport;
  layer.rasterPos[0] = clip[0] / w * (v[2] * 0.5f) + (v[0] + v[2] * 0.5f);
  layer.rasterPos[1] = clip[1] / w * (v[3] * 0.5f) + (v[1] + v[3] * 0.5f);
  layer.rasterPos[2] = clip[2] / w * 0.5f + 0.5f;
  for (int i = 0; i < 4; i++) layer.rasterColor[i] = clamp01(layer.color[i]);
}

std::vector<GLubyte> bitmapMask(GLsizei width, GLsizei height, const GLubyte* bitmap) {
  // One byte a pixel, 255 where the bitmap has a 1 (most significant bit first).
  std::vector<GLubyte> mask((size_t)width * height, 0);
  size_t rowBytes = ((size_t)width + 7) / 8;
  for (int row = 0; row < height; row++) {
    const GLubyte* bits = bitmap + rowStart(row, rowBytes);
    for (int col = 0; col < width; col++)
      if (bits[col / 8] & (0x80 >> (col % 8))) mask[(size_t)row * width + col] = 255;
  }
  return mask;
}

GLuint bitmapTexture(GLsizei width, GLsizei height, const GLubyte* bitmap) {
  std::vector<GLubyte> mask = bitmapMask(width, height, bitmap);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  setTextureImage(texture, GL_ALPHA, width, height, mask.data());
  return texture;
}

void drawBitmapAtRaster(GLuint texture, const BitmapCell* cell, int width, int height,
                        float xorig, float yorig, float xmove, float ymove) {
  if (!layer.rasterValid) return;
  // Mesa's small nudge up before truncating, which keeps glyphs on whole pixels.
  const float epsilon = 0.0001f;
  int x = (int)floorf(layer.rasterPos[0] + epsilon - xorig);
  int y = (int)floorf(layer.rasterPos[1] + epsilon - yorig);
  if (texture) drawImageAt(texture, x, y, width, height, layer.rasterPos[2], SOURCE_BITMAP);
  else if (cell && width > 0 && height > 0)
    queueBitmap(*cell, width, height, x, y, layer.rasterPos[2], layer.rasterColor);
  layer.rasterPos[0] += xmove;
  layer.rasterPos[1] += ymove;
}

void gl11Bitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove,
                GLfloat ymove, const GLubyte* bitmap) {
  if (width < 0 || height < 0) return;
  int drawn = width > 0 && height > 0 && bitmap;
  if (layer.compiling) {
    // A list's bitmap (a glyph of a font) goes into the shared texture, to be drawn in one
    // batch with the rest of its text; one that does not fit keeps a texture of its own.
    BitmapCell cell;
    if (drawn && placeBitmap(width, height, bitmapMask(width, height, bitmap).data(), &cell)) {
      recordBitmap(0, &cell, width, height, xorig, yorig, xmove, ymove);
      return;
    }
    recordBitmap(drawn ? bitmapTexture(width, height, bitmap) : 0, 0, width, height, xorig,
                 yorig, xmove, ymove);  // the list owns the texture
    return;
  }
  GLuint texture = drawn ? bitmapTexture(width, height, bitmap) : 0;
  drawBitmapAtRaster(texture, 0, width, height, xorig, yorig, xmove, ymove);
  if (texture) {
    textureDeleted(texture);
    glDeleteTextures(1, &texture);
  }
}

void gl11DrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type,
                    const GLvoid* pixels) {
  if (type != GL_UNSIGNED_BYTE || (format != GL_RGB && format != GL_RGBA)) return;
  if (width <= 0 || height <= 0 || !pixels || !layer.rasterValid || layer.discarding) return;
  // Rows packed tight for ES 2, whatever the caller's alignment.
  size_t pixelBytes = format == GL_RGB ? 3 : 4;
  size_t rowBytes = (size_t)width * pixelBytes;
  std::vector<GLubyte> texels(rowBytes * height);
  for (int row = 0; row < height; row++)
    memcpy(&texels[row * rowBytes], (const GLubyte*)pixels + rowStart(row, rowBytes), rowBytes);
  setTextureImage(layer.imageTexture, format, width, height, texels.data());
  drawImageAt(layer.imageTexture, roundToPixel(layer.rasterPos[0]),
              roundToPixel(layer.rasterPos[1]), width, height, layer.rasterPos[2], SOURCE_PIXELS);
}

void gl11PixelStorei(GLenum pname, GLint param) {
  if (pname != GL_UNPACK_ALIGNMENT) return;
  if (param == 1 || param == 2 || param == 4 || param == 8) layer.unpackAlignment = param;
}
