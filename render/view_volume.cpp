// The view volume test: the six clip planes of projection times modelview, each normalised
// so a sphere's centre distance compares with its radius.
#include "render/view_volume.h"

#include <math.h>

#include "platform/opengl.h"

namespace {
// Rounding in the matrices and in the clipper: a sphere this close to a plane still draws.
const float PLANE_SLACK = 1.0f;
}

int sphereMayShow(float x, float y, float z, float radius) {
  // Without a current GL context nothing is read into the matrices. All zero, they make
  // every plane degenerate, and a sphere nothing can decide about may show.
  float modelview[16] = {0.0f}, projection[16] = {0.0f}, m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  // Column-major: m = projection * modelview.
  for (int c = 0; c < 4; c++)
    for (int r = 0; r < 4; r++) {
      float s = 0.0f;
      for (int k = 0; k < 4; k++) s += projection[k * 4 + r] * modelview[c * 4 + k];
      m[c * 4 + r] = s;
    }
  // Row 3 plus or minus rows 0, 1, 2: left, right, bottom, top, near, far.
  for (int row = 0; row < 3; row++)
    for (int sign = -1; sign <= 1; sign += 2) {
      float a = m[3] + sign * m[row];
      float b = m[7] + sign * m[4 + row];
      float c = m[11] + sign * m[8 + row];
      float d = m[15] + sign * m[12 + row];
      float length = sqrtf(a * a + b * b + c * c);
      if (!(length > 0.0f)) continue;  // a degenerate plane decides nothing
      float distance = (a * x + b * y + c * z + d) / length;
      if (distance < -(radius + PLANE_SLACK)) return 0;
    }
  return 1;
}
