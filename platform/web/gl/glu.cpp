// gluPerspective and gluLookAt, computed as GLU computes them (the perspective in double,
// the look-at in float), so pictures match the desktop's to the last bit where they can.
#include <math.h>
#include <string.h>
#include "platform/web/gl/layer_state.h"

namespace {
void normalize(float v[3]) {
  float r = sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (r == 0.0f) return;
  v[0] /= r, v[1] /= r, v[2] /= r;
}

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}
}  // namespace

void glu11Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  double radians = fovy / 2 * 3.14159265358979323846 / 180;
  double deltaZ = zFar - zNear;
  double sine = sin(radians);
  if (deltaZ == 0 || sine == 0 || aspect == 0) return;
  double cotangent = cos(radians) / sine;
  float m[16] = {0};
  m[0] = (float)(cotangent / aspect);
  m[5] = (float)cotangent;
  m[10] = (float)(-(zFar + zNear) / deltaZ);
  m[11] = -1.0f;
  m[14] = (float)(-2 * zNear * zFar / deltaZ);
  multiplyCurrentMatrix(m);
}

void glu11LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                 GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
  float forward[3] = {(float)(centerX - eyeX), (float)(centerY - eyeY), (float)(centerZ - eyeZ)};
  float up[3] = {(float)upX, (float)upY, (float)upZ};
  float side[3];
  normalize(forward);
  cross(forward, up, side);
  normalize(side);
  cross(side, forward, up);
  float m[16] = {0};
  m[0] = side[0], m[4] = side[1], m[8] = side[2];
  m[1] = up[0], m[5] = up[1], m[9] = up[2];
  m[2] = -forward[0], m[6] = -forward[1], m[10] = -forward[2];
  m[15] = 1.0f;
  multiplyCurrentMatrix(m);
  gl11Translatef((float)-eyeX, (float)-eyeY, (float)-eyeZ);
}
