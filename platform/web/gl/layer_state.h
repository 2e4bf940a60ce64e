// The GL 1.1 state the layer keeps beside ES 2's own, shared by its files.
#pragma once
#include <GLES2/gl2.h>
#include <vector>
#include "platform/web/gl/gl11.h"

// One vertex as the shader takes it: its own colour for smooth shading and its face's
// provoking-vertex colour for flat shading, which ES 2 does not have.
struct LayerVertex {
  float x, y, z;
  float color[4];
  float flatColor[4];
};

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
  GLint matrixUniform, flatUniform, sourceUniform, rasterColorUniform, imageUniform;
  GLint positionAttrib, colorAttrib, flatColorAttrib;

  float color[4];
  GLenum shadeModel;

  GLenum primitive;  // between glBegin and glEnd, else 0
  std::vector<LayerVertex> pending;

  MatrixStack modelview, projection;
  MatrixStack* current;

  GLint viewport[4];
  float rasterPos[3];  // window coordinates
  float rasterColor[4];
  int rasterValid;
  GLint unpackAlignment;

  GLuint listBase;
  GLuint compiling;  // the list being compiled, else 0
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
// flat colours; modes the layer does not know give an empty batch.
void expandPrimitive(GLenum mode, const std::vector<LayerVertex>& in, VertexBatch* out);
// Primitives wait to be drawn together, in one draw, until something they depend on is
// about to change (matrices, shading, switches, the viewport) or something else is drawn
// or cleared: every such change calls this first.
void drawWaitingPrimitives();

// Matrices (matrix_stacks.cpp).
float* currentMatrix(MatrixStack* stack);
void multiplyCurrentMatrix(const float m[16]);
void multiplyMatrices(const float a[16], const float b[16], float out[16]);  // out = a * b

// Display lists (display_lists.cpp): while a list compiles, these record instead of acting.
int recordColor(const float color[4]);
int recordShadeModel(GLenum mode);
int recordCapability(GLenum cap, int enable);
int recordBatch(const VertexBatch& batch);
int recordBitmap(GLuint texture, int width, int height, float xorig, float yorig, float xmove,
                 float ymove);
void freeAllLists();

// Raster (raster.cpp): a bitmap's 1-bit rows as a texture the shader masks with.
GLuint bitmapTexture(GLsizei width, GLsizei height, const GLubyte* bitmap);
void drawBitmapTexture(GLuint texture, int width, int height, float xorig, float yorig,
                       float xmove, float ymove);
