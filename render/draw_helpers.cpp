// The packed colour and the four shading presets the drawing code switches between.
#include "render/draw_helpers.h"

#include "platform/opengl.h"

void setPackedColor(uint32_t color) {
  const float k = 1.0f / 255.0f;  // 0.003921568859368563, the float nearest 1/255
  glColor4f((float)(color & 255u) * k, (float)((color >> 8) & 255u) * k,
            (float)((color >> 16) & 255u) * k, 1.0f);
}

void setFloorShade() {
  glShadeModel(GL_FLAT);
  glColor4f(0.0f, 0.0f, 0.4f, 0.0f);
}

void setBurstShade() {
  glShadeModel(GL_FLAT);
  glColor4f(1.0f, 0.0f, 0.0f, 0.0f);
}

void setFlatUntextured() {
  glDisable(GL_TEXTURE_2D);
  glShadeModel(GL_FLAT);
}

void setSmoothUntextured() {
  glDisable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
}
