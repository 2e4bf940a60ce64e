// The modelview and projection stacks, kept on the CPU: the shader gets their product.
// Column-major like GL, and multiplied in single precision like Mesa.
#include <string.h>
#include "platform/web/gl/layer_state.h"

namespace {
const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

void multiplyMatrices(const float a[16], const float b[16], float out[16]) {
  float m[16];
  for (int c = 0; c < 4; c++)
    for (int r = 0; r < 4; r++)
      m[c * 4 + r] = a[r] * b[c * 4] + a[4 + r] * b[c * 4 + 1] + a[8 + r] * b[c * 4 + 2] +
                     a[12 + r] * b[c * 4 + 3];
  memcpy(out, m, sizeof m);
}

float* currentMatrix(MatrixStack* stack) { return stack->matrices[stack->top]; }

void multiplyCurrentMatrix(const float m[16]) {
  drawWaitingPrimitives();
  float* top = currentMatrix(layer.current);
  multiplyMatrices(top, m, top);
}

void gl11MatrixMode(GLenum mode) {
  if (mode == GL_MODELVIEW) layer.current = &layer.modelview;
  if (mode == GL_PROJECTION) layer.current = &layer.projection;
}

void gl11LoadIdentity() {
  drawWaitingPrimitives();
  memcpy(currentMatrix(layer.current), IDENTITY, sizeof IDENTITY);
}

void gl11PushMatrix() {
  MatrixStack* s = layer.current;
  if (s->top + 1 >= s->depth) return;  // GL's stack overflow: nothing changes
  memcpy(s->matrices[s->top + 1], s->matrices[s->top], sizeof s->matrices[0]);
  s->top++;
}

void gl11PopMatrix() {
  drawWaitingPrimitives();
  if (layer.current->top > 0) layer.current->top--;
}

void gl11Translatef(GLfloat x, GLfloat y, GLfloat z) {
  float m[16];
  memcpy(m, IDENTITY, sizeof m);
  m[12] = x, m[13] = y, m[14] = z;
  multiplyCurrentMatrix(m);
}

void gl11Ortho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
               GLdouble zFar) {
  float l = (float)left, r = (float)right, b = (float)bottom, t = (float)top;
  float n = (float)zNear, f = (float)zFar;
  if (l == r || b == t || n == f) return;
  float m[16];
  memcpy(m, IDENTITY, sizeof m);
  m[0] = 2.0f / (r - l);
  m[12] = -(r + l) / (r - l);
  m[5] = 2.0f / (t - b);
  m[13] = -(t + b) / (t - b);
  m[10] = -2.0f / (f - n);
  m[14] = -(f + n) / (f - n);
  multiplyCurrentMatrix(m);
}

void gl11GetFloatv(GLenum pname, GLfloat* params) {
  if (pname == GL_MODELVIEW_MATRIX)
    memcpy(params, currentMatrix(&layer.modelview), 16 * sizeof(float));
  else if (pname == GL_PROJECTION_MATRIX)
    memcpy(params, currentMatrix(&layer.projection), 16 * sizeof(float));
  else
    glGetFloatv(pname, params);
}

void gl11Viewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (width < 0 || height < 0) return;
  drawWaitingPrimitives();
  layer.viewport[0] = x, layer.viewport[1] = y, layer.viewport[2] = width, layer.viewport[3] = height;
  setViewport(layer.viewport);
}
