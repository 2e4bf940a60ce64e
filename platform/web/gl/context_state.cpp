// The layer's start and stop, GL 1.1's initial state, the switches and frame calls, and
// the attribute stacks.
#include <string.h>
#include "platform/web/gl/layer_state.h"

LayerState layer;

namespace {
struct AttribEntry {
  GLbitfield mask;
  GLuint listBase;
};
struct ClientAttribEntry {
  GLbitfield mask;
  GLint unpackAlignment;
};
AttribEntry attribStack[ATTRIB_DEPTH];
int attribTop = 0;
ClientAttribEntry clientAttribStack[ATTRIB_DEPTH];
int clientAttribTop = 0;

void resetMatrixStack(MatrixStack* s, int depth) {
  s->top = 0;
  s->depth = depth;
  memset(s->matrices[0], 0, sizeof s->matrices[0]);
  for (int i = 0; i < 4; i++) s->matrices[0][i * 5] = 1.0f;
}
}  // namespace

int gl11Start() {
  layer.color[0] = layer.color[1] = layer.color[2] = layer.color[3] = 1.0f;
  colorTo8Bits(layer.color, layer.color8);
  layer.shadeModel = GL_SMOOTH;
  layer.primitive = 0;
  layer.pending.clear();
  resetMatrixStack(&layer.modelview, MODELVIEW_DEPTH);
  resetMatrixStack(&layer.projection, PROJECTION_DEPTH);
  layer.current = &layer.modelview;
  glGetIntegerv(GL_VIEWPORT, layer.viewport);  // the drawable's size, as GL starts
  layer.drawable[0] = layer.viewport[2];
  layer.drawable[1] = layer.viewport[3];
  layer.rasterPos[0] = layer.rasterPos[1] = layer.rasterPos[2] = 0.0f;
  memcpy(layer.rasterColor, layer.color, sizeof layer.rasterColor);
  layer.rasterValid = 1;
  layer.unpackAlignment = 4;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // the layer repacks every image it uploads
  layer.listBase = 0;
  layer.compiling = 0;
  attribTop = clientAttribTop = 0;
  if (!buildFixedPipelineShader()) return 0;
  if (!startBitmapBatch()) {
    freeFixedPipelineShader();
    return 0;
  }
  return 1;
}

void gl11Stop() {
  drawWaitingPrimitives();
  freeAllLists();
  stopBitmapBatch();
  freeFixedPipelineShader();
}

void gl11Enable(GLenum cap) {
  if (recordCapability(cap, 1)) return;
  drawWaitingPrimitives();
  if (cap != GL_TEXTURE_2D) setCapability(cap, 1);  // ES 2 has no such switch: nothing is textured
}

void gl11Disable(GLenum cap) {
  if (recordCapability(cap, 0)) return;
  drawWaitingPrimitives();
  if (cap != GL_TEXTURE_2D) setCapability(cap, 0);
}

void gl11Clear(GLbitfield mask) {
  drawWaitingPrimitives();
  glClear(mask);
}

void gl11ClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
  const float color[4] = {red, green, blue, alpha};
  setClearColor(color);
}

void gl11Hint(GLenum, GLenum) {}  // ES 2 always interpolates with perspective

void gl11Flush() {
  drawWaitingPrimitives();
  glFlush();
}

void gl11DiscardDrawing(int discard) {
  drawWaitingPrimitives();  // what waits was drawn before the change
  layer.discarding = discard != 0;
}

void gl11PushAttrib(GLbitfield mask) {
  if (attribTop >= ATTRIB_DEPTH) return;
  attribStack[attribTop].mask = mask;
  attribStack[attribTop].listBase = layer.listBase;
  attribTop++;
}

void gl11PopAttrib() {
  if (attribTop == 0) return;
  const AttribEntry& e = attribStack[--attribTop];
  if (e.mask & GL_LIST_BIT) layer.listBase = e.listBase;
}

void gl11PushClientAttrib(GLbitfield mask) {
  if (clientAttribTop >= ATTRIB_DEPTH) return;
  clientAttribStack[clientAttribTop].mask = mask;
  clientAttribStack[clientAttribTop].unpackAlignment = layer.unpackAlignment;
  clientAttribTop++;
}

void gl11PopClientAttrib() {
  if (clientAttribTop == 0) return;
  const ClientAttribEntry& e = clientAttribStack[--clientAttribTop];
  if (e.mask & GL_CLIENT_PIXEL_STORE_BIT) layer.unpackAlignment = e.unpackAlignment;
}
