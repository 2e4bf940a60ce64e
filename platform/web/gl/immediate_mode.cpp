// glBegin / glEnd: the vertices of one primitive gathered, turned into triangles or lines
// that carry their face's flat colour, and drawn (or kept, while a list compiles). A frame's
// walls and minimap are hundreds of small primitives: drawn one by one, each would cost a
// WebGL call of its own, so runs of them under the same state go as one draw.
#include <string.h>
#include "platform/web/gl/layer_state.h"

namespace {
// The vertex `v` with the flat colour of `provoking`.
void emit(const LayerVertex& v, const LayerVertex& provoking, std::vector<LayerVertex>* out) {
  out->push_back(v);
  memcpy(out->back().flatColor, provoking.color, sizeof v.flatColor);
}

void emitTriangle(const std::vector<LayerVertex>& in, int a, int b, int c, int provoking,
                  std::vector<LayerVertex>* out) {
  emit(in[a], in[provoking], out);
  emit(in[b], in[provoking], out);
  emit(in[c], in[provoking], out);
}

// The primitives waiting to be drawn; a compiling list's go to `compiled` instead.
VertexBatch waiting = {GL_TRIANGLES, {}};
VertexBatch compiled = {GL_TRIANGLES, {}};

uint8_t to8Bits(float v) { return (uint8_t)(v <= 0.0f ? 0 : v >= 1.0f ? 255 : (int)(v * 255.0f + 0.5f)); }
}  // namespace

void colorTo8Bits(const float color[4], uint8_t out[4]) {
  for (int i = 0; i < 4; i++) out[i] = to8Bits(color[i]);
}

void drawWaitingTriangles() {
  if (waiting.vertices.empty()) return;
  if (layer.discarding) {
    waiting.vertices.clear();
    return;
  }
  bindArrayBuffer(layer.streamBuffer);
  glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(waiting.vertices.size() * sizeof(LayerVertex)),
               waiting.vertices.data(), GL_STREAM_DRAW);
  drawBatchBuffer(layer.streamBuffer, waiting.mode, (int)waiting.vertices.size());
  waiting.vertices.clear();
}

void drawWaitingPrimitives() {
  // At most one of the two waits: queueing either draws the other first.
  drawWaitingTriangles();
  drawWaitingBitmaps();
}

// GL's flat colour comes from each primitive's provoking vertex: the last of a triangle,
// of a quad and of a line, but the first of a polygon.
GLenum expandPrimitive(GLenum mode, const std::vector<LayerVertex>& in, std::vector<LayerVertex>* out) {
  int n = (int)in.size();
  switch (mode) {
    case GL_TRIANGLES:
      for (int i = 0; i + 2 < n; i += 3) emitTriangle(in, i, i + 1, i + 2, i + 2, out);
      break;
    case GL_QUAD_STRIP:
      // Quad i runs 2i, 2i+1, 2i+3, 2i+2 around its edge.
      for (int i = 0; i + 3 < n; i += 2) {
        emitTriangle(in, i, i + 1, i + 3, i + 3, out);
        emitTriangle(in, i, i + 3, i + 2, i + 3, out);
      }
      break;
    case GL_POLYGON:
      for (int i = 1; i + 1 < n; i++) emitTriangle(in, 0, i, i + 1, 0, out);
      break;
    case GL_LINES:
      for (int i = 0; i + 1 < n; i += 2) {
        emit(in[i], in[i + 1], out);
        emit(in[i + 1], in[i + 1], out);
      }
      return GL_LINES;
    default:
      break;
  }
  return GL_TRIANGLES;
}

void gl11Begin(GLenum mode) {
  layer.primitive = mode;
  layer.pending.clear();
}

void gl11Vertex3f(GLfloat x, GLfloat y, GLfloat z) {
  if (!layer.primitive) return;
  LayerVertex v;
  v.x = x;
  v.y = y;
  v.z = z;
  memcpy(v.color, layer.color8, sizeof v.color);
  memcpy(v.flatColor, layer.color8, sizeof v.flatColor);
  layer.pending.push_back(v);
}

void gl11Vertex2f(GLfloat x, GLfloat y) { gl11Vertex3f(x, y, 0.0f); }

void gl11End() {
  if (!layer.primitive) return;
  GLenum primitive = layer.primitive;
  layer.primitive = 0;
  if (layer.compiling) {
    compiled.vertices.clear();
    compiled.mode = expandPrimitive(primitive, layer.pending, &compiled.vertices);
    layer.pending.clear();
    if (compiled.vertices.empty()) return;
    // The colour a list leaves current is its last glColor, made inside the primitive.
    recordBatch(compiled);
    recordColor(layer.color);
    return;
  }
  // Straight onto the waiting run: a primitive of the other kind (lines after triangles)
  // draws the run first, as do waiting bitmaps.
  GLenum mode = primitive == GL_LINES ? GL_LINES : GL_TRIANGLES;
  if (mode != waiting.mode) drawWaitingTriangles();
  drawWaitingBitmaps();
  waiting.mode = mode;
  expandPrimitive(primitive, layer.pending, &waiting.vertices);
  layer.pending.clear();
}

void gl11Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
  float color[4] = {red, green, blue, alpha};
  // A compiling list records it and also gives it to the vertices that follow in the list;
  // glEndList puts back the colour from before. Inside a primitive it only goes with the
  // next vertex: glEnd records the last.
  if (!layer.primitive) recordColor(color);
  memcpy(layer.color, color, sizeof color);
  colorTo8Bits(color, layer.color8);
}

void gl11Rectf(GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2) {
  gl11Begin(GL_POLYGON);
  gl11Vertex2f(x1, y1);
  gl11Vertex2f(x2, y1);
  gl11Vertex2f(x2, y2);
  gl11Vertex2f(x1, y2);
  gl11End();
}

void gl11ShadeModel(GLenum mode) {
  if (mode != GL_FLAT && mode != GL_SMOOTH) return;
  recordShadeModel(mode);  // while compiling, glEndList puts back the model from before
  if (mode != layer.shadeModel) drawWaitingPrimitives();
  layer.shadeModel = mode;
}
