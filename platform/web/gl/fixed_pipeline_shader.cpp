// The one shader that stands in for the fixed pipeline: positions through projection times
// modelview, colours smooth or flat, and the textured rectangles of glBitmap and glDrawPixels.
#include <string.h>
#include "platform/web/gl/layer_state.h"
#include "platform/web/gl/shader_program.h"

namespace {
const char* const VERTEX_SHADER =
    "uniform mat4 uMatrix;\n"
    "uniform bool uFlat;\n"
    "attribute vec3 aPosition;\n"
    "attribute vec4 aColor;\n"
    "attribute vec4 aFlatColor;\n"
    "varying vec4 vColor;\n"
    "varying vec2 vTexel;\n"
    "void main() {\n"
    "  gl_Position = uMatrix * vec4(aPosition, 1.0);\n"
    "  vColor = uFlat ? aFlatColor : aColor;\n"
    "  vTexel = aPosition.xy * 0.5 + 0.5;\n"
    "}\n";

const char* const FRAGMENT_SHADER =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
    "precision highp float;\n"
    "#else\n"
    "precision mediump float;\n"
    "#endif\n"
    "uniform int uSource;\n"
    "uniform vec4 uRasterColor;\n"
    "uniform sampler2D uImage;\n"
    "varying vec4 vColor;\n"
    "varying vec2 vTexel;\n"
    "void main() {\n"
    "  if (uSource == 0) {\n"
    "    gl_FragColor = vColor;\n"
    "  } else if (uSource == 1) {\n"
    "    if (texture2D(uImage, vTexel).a < 0.5) discard;\n"
    "    gl_FragColor = uRasterColor;\n"
    "  } else {\n"
    "    gl_FragColor = vec4(texture2D(uImage, vTexel).rgb, 1.0);\n"
    "  }\n"
    "}\n";

const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const char* const ATTRIBUTES[] = {"aPosition", "aColor", "aFlatColor", 0};

// The uniforms as last sent: a program keeps its uniforms whatever else is drawn between.
struct SentUniforms {
  float matrix[16];
  int flat, source;
  float rasterColor[4];
};
SentUniforms sent;

void sendMatrix(const float matrix[16]) {
  if (memcmp(sent.matrix, matrix, sizeof sent.matrix) == 0) return;
  glUniformMatrix4fv(layer.matrixUniform, 1, GL_FALSE, matrix);
  memcpy(sent.matrix, matrix, sizeof sent.matrix);
}

void sendSource(int source) {
  if (sent.source == source) return;
  glUniform1i(layer.sourceUniform, source);
  sent.source = source;
}

void pointArraysAt(GLuint buffer) {
  bindArrayBuffer(buffer);
  if (vertexLayoutSet(buffer, LAYOUT_LAYER_VERTEX)) return;
  const GLsizei stride = sizeof(LayerVertex);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, (const void*)offsetof(LayerVertex, x));
  glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                        (const void*)offsetof(LayerVertex, color));
  glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                        (const void*)offsetof(LayerVertex, flatColor));
  vertexLayoutNowSet(buffer, LAYOUT_LAYER_VERTEX);
}
}  // namespace

int buildFixedPipelineShader() {
  GLuint program = buildShaderProgram(VERTEX_SHADER, FRAGMENT_SHADER, "GL 1.1 layer", ATTRIBUTES);
  if (!program) return 0;
  layer.program = program;
  layer.matrixUniform = glGetUniformLocation(program, "uMatrix");
  layer.flatUniform = glGetUniformLocation(program, "uFlat");
  layer.sourceUniform = glGetUniformLocation(program, "uSource");
  layer.rasterColorUniform = glGetUniformLocation(program, "uRasterColor");
  layer.imageUniform = glGetUniformLocation(program, "uImage");
  startDrawState();
  useProgram(program);
  glUniform1i(layer.imageUniform, 0);
  // A fresh program's uniforms are all zero.
  memset(&sent, 0, sizeof sent);
  glGenBuffers(1, &layer.streamBuffer);
  glGenTextures(1, &layer.imageTexture);
  LayerVertex square[4] = {};
  const float corners[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
  for (int i = 0; i < 4; i++) square[i].x = corners[i][0], square[i].y = corners[i][1];
  glGenBuffers(1, &layer.squareBuffer);
  bindArrayBuffer(layer.squareBuffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof square, square, GL_STATIC_DRAW);
  return 1;
}

void freeFixedPipelineShader() {
  bufferDeleted(layer.streamBuffer);
  bufferDeleted(layer.squareBuffer);
  textureDeleted(layer.imageTexture);
  glDeleteBuffers(1, &layer.squareBuffer);
  glDeleteBuffers(1, &layer.streamBuffer);
  glDeleteTextures(1, &layer.imageTexture);
  glDeleteProgram(layer.program);
  layer.program = layer.streamBuffer = layer.squareBuffer = layer.imageTexture = 0;
  forgetDrawState();
}

void drawBatchBuffer(GLuint buffer, GLenum mode, int count) {
  if (count <= 0 || layer.discarding) return;
  drawWaitingBitmaps();  // drawn before, so they stay under what follows them
  useProgram(layer.program);
  setViewport(layer.viewport);
  // One matrix, as the fixed pipeline uses: projection times modelview, made on the CPU.
  float matrix[16];
  multiplyMatrices(currentMatrix(&layer.projection), currentMatrix(&layer.modelview), matrix);
  sendMatrix(matrix);
  int flat = layer.shadeModel == GL_FLAT;
  if (sent.flat != flat) {
    glUniform1i(layer.flatUniform, flat);
    sent.flat = flat;
  }
  sendSource(SOURCE_VERTEX_COLOR);
  pointArraysAt(buffer);
  glDrawArrays(mode, 0, count);
}

void drawImageAt(GLuint texture, int x, int y, int width, int height, float z,
                 FragmentSource source) {
  if (width <= 0 || height <= 0 || layer.discarding) return;
  drawWaitingPrimitives();
  // The viewport set to the rectangle itself maps the -1..1 square one texel to a pixel,
  // and clips only at the window's edges, as GL clips pixel rectangles. The matrix only
  // puts the square at the raster position's depth.
  float matrix[16];
  memcpy(matrix, IDENTITY, sizeof matrix);
  matrix[14] = 2.0f * z - 1.0f;
  useProgram(layer.program);
  const GLint rectangle[4] = {x, y, width, height};
  setViewport(rectangle);
  sendMatrix(matrix);
  sendSource(source);
  if (memcmp(sent.rasterColor, layer.rasterColor, sizeof sent.rasterColor) != 0) {
    glUniform4fv(layer.rasterColorUniform, 1, layer.rasterColor);
    memcpy(sent.rasterColor, layer.rasterColor, sizeof sent.rasterColor);
  }
  bindTexture(texture);
  pointArraysAt(layer.squareBuffer);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}
