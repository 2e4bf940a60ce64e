// The GL 1.1 state the layer keeps beside ES 2's own, shared by its files.
#pragma once
#include <GLES2/gl2.h>
#include <stdint.h>
#include <vector>
#include "platform/web/gl/gl11.h"

// One vertex as the shader takes it: its own colour for smooth shading and its face's
// provoking-vertex colour for flat shading, which ES 2 does not have. Colours are 8 bits a
// channel, as the framebuffer keeps them: GL clamps vertex colours to 0..1 anyway.
struct LayerVertex {
  float x, y, z;
  uint8_t color[4];
  uint8_t flatColor[4];
};

// The vertex arrays every program of the layer reads, at locations 0, 1 and 2, always on.
enum { LAYER_ATTRIBUTES = 3 };
// What the arrays point at (draw_state.cpp keeps the last one set).
enum VertexLayout { LAYOUT_LAYER_VERTEX = 0, LAYOUT_BITMAP_VERTEX = 1 };

// A run of vertices ready to draw as GL_TRIANGLES or GL_LINES.
struct VertexBatch {
  GLenum mode;
  std::vector<LayerVertex> vertices;
};

enum { MODELVIEW_DEPTH = 32, PROJECTION_DEPTH = 4, ATTRIB_DEPTH = 16 };

struct MatrixStack {
  float matrices[MODELVIEW_DEPTH][16];
  int top;
  int depth;
};

// What the fragment shader colours with.
enum FragmentSource { SOURCE_VERTEX_COLOR = 0, SOURCE_BITMAP = 1, SOURCE_PIXELS = 2 };

struct LayerState {
  // The shader and its inputs.
  GLuint program, streamBuffer, imageTexture;
  GLuint squareBuffer;  // the -1..1 square pixel rectangles are drawn with, made once
  GLint matrixUniform, flatUniform, sourceUniform, rasterColorUniform, imageUniform;

  float color[4];
  uint8_t color8[4];  // the same, as vertices carry it
  GLenum shadeModel;

  GLenum primitive;  // between glBegin and glEnd, else 0
  std::vector<LayerVertex> pending;

  MatrixStack modelview, projection;
  MatrixStack* current;

  GLint viewport[4];
  GLint drawable[2];   // the drawing buffer's size, as GL started
  float rasterPos[3];  // window coordinates
  float rasterColor[4];
  int rasterValid;
  GLint unpackAlignment;

  GLuint listBase;
  GLuint compiling;  // the list being compiled, else 0

  int discarding;  // a frame nobody will see (gl11DiscardDrawing): its draws are left out
};

extern LayerState layer;

// Shader (fixed_pipeline_shader.cpp).
int buildFixedPipelineShader();
void freeFixedPipelineShader();
// Draws a batch from `buffer` (already filled) under the current matrices and shading.
void drawBatchBuffer(GLuint buffer, GLenum mode, int count);
// Draws a texture one texel to a pixel with its lower left at window pixel (x, y), at
// window depth z, as a bitmap in the raster colour or as RGB pixels.
void drawImageAt(GLuint texture, int x, int y, int width, int height, float z,
                 FragmentSource source);

// Immediate mode (immediate_mode.cpp): GL's primitives as triangles or lines with their
// flat colours, added to `out`; returns GL_TRIANGLES or GL_LINES. Modes the layer does not
// know add nothing.
GLenum expandPrimitive(GLenum mode, const std::vector<LayerVertex>& in, std::vector<LayerVertex>* out);
// Primitives and bitmaps wait to be drawn together, in one draw, until something they
// depend on is about to change (matrices, shading, switches, the viewport) or something
// else is drawn or cleared: every such change calls this first.
void drawWaitingPrimitives();
// Only the waiting triangles or lines (immediate_mode.cpp).
void drawWaitingTriangles();
// A float colour as vertices carry it.
void colorTo8Bits(const float color[4], uint8_t out[4]);

// ES 2's drawing state, sent only when it changes (draw_state.cpp).
void startDrawState();
void useProgram(GLuint program);
void bindArrayBuffer(GLuint buffer);
void bindTexture(GLuint texture);
void setViewport(const GLint viewport[4]);
int vertexLayoutSet(GLuint buffer, int kind);
void vertexLayoutNowSet(GLuint buffer, int kind);
void bufferDeleted(GLuint buffer);
void textureDeleted(GLuint texture);
void setCapability(GLenum cap, int on);
void setClearColor(const float color[4]);
void forgetDrawState();
// After other code drew on the context with every switch off (the present): the switches
// on, the clear colour and the arrays put back as the layer had them, the rest sent again
// at the next draw.
void restoreLayerDrawState();

// Bitmaps from display lists in one texture, drawn as one batch (bitmap_batch.cpp).
struct BitmapCell {
  int x, y;  // in the shared texture; width and height are the bitmap's
};
int startBitmapBatch();
void stopBitmapBatch();
// Puts a bitmap's 0/255 mask into the shared texture; 0 when there is no room left.
int placeBitmap(int width, int height, const GLubyte* mask, BitmapCell* cell);
// Queues the cell's bitmap with its lower left at window pixel (x, y), depth z, in `color`.
void queueBitmap(const BitmapCell& cell, int width, int height, int x, int y, float z,
                 const float color[4]);
void drawWaitingBitmaps();

// Matrices (matrix_stacks.cpp).
float* currentMatrix(MatrixStack* stack);
void multiplyCurrentMatrix(const float m[16]);
void multiplyMatrices(const float a[16], const float b[16], float out[16]);  // out = a * b

// Display lists (display_lists.cpp): while a list compiles, these record instead of acting.
int recordColor(const float color[4]);
int recordShadeModel(GLenum mode);
int recordCapability(GLenum cap, int enable);
int recordBatch(const VertexBatch& batch);
// A bitmap in its own texture, or (texture 0, `cell` given) in the shared one.
int recordBitmap(GLuint texture, const BitmapCell* cell, int width, int height, float xorig,
                 float yorig, float xmove, float ymove);
void freeAllLists();

// Raster (raster.cpp): a bitmap's 1-bit rows as a 0/255 mask, or as a texture the shader
// masks with.
std::vector<GLubyte> bitmapMask(GLsizei width, GLsizei height, const GLubyte* bitmap);
GLuint bitmapTexture(GLsizei width, GLsizei height, const GLubyte* bitmap);
// Draws a bitmap at the raster position and moves it on: from its own texture, or (texture
// 0 and `cell` given) from the shared one, batched.
void drawBitmapAtRaster(GLuint texture, const BitmapCell* cell, int width, int height,
                        float xorig, float yorig, float xmove, float ymove);
