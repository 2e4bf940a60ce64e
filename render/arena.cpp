// The arena floor and the display lists compiled once at start-up: list 1 draws the floor,
// lists 4i+2..4i+5 draw rider i's cycle in its four headings.
#include "render/arena.h"

#include <stdlib.h>

#include "model/model_transform.h"
#include "platform/opengl.h"
#include "render/cycle_model.h"
#include "render/draw_helpers.h"
#include "sim/riders.h"

ModelVertex floorQuad[4];

namespace {

void setCorner(ModelVertex* v, float x, float y, float z) {
  v->x = x;
  v->y = y;
  v->z = z;
}

// Hands back the nodes the reader built; the heading copies own their own arrays.
void freeModelNodes() {
  freeModelNodeList(nodeList);
  nodeList = 0;
  currentNode = 0;  // it pointed into the freed list
}

void compileCycleList(GLuint list, int heading, int rider) {
  glNewList(list, GL_COMPILE);
  drawCycleModel(heading, rider);
  glEndList();
}

}  // namespace

int buildArena() {
  setCorner(&floorQuad[0], 10240.0f, 0.0f, 10240.0f);
  setCorner(&floorQuad[1], -10240.0f, 0.0f, 10240.0f);
  setCorner(&floorQuad[2], -10240.0f, 0.0f, -10240.0f);
  setCorner(&floorQuad[3], 10240.0f, 0.0f, -10240.0f);
  if (!loadModel("vask3.wrl")) return 0;
  normalizeModel();
  scaleModel(80.0);
  return 1;
}

void buildDisplayLists() {
  // Fixed list numbers: these must exist before anything reserves lists with glGenLists.
  glNewList(1, GL_COMPILE);
  setFloorShade();
  drawQuad(floorQuad);
  glEndList();

  // The unrotated copy comes last, so the face shades left behind are its own, and every
  // heading shares them.
  makeHeadingCopy(&headingModels[0], -1.0, 0.0);
  makeHeadingCopy(&headingModels[1], 1.0, 0.0);
  makeHeadingCopy(&headingModels[2], 0.0, -1.0);
  makeHeadingCopy(&headingModels[3], 0.0, 1.0);
  measureCycleBounds();

  freeModelNodes();

  int count = riderCount;
  if (count < 0) count = 0;
  if (count > MAX_RIDERS) count = MAX_RIDERS;
  for (int i = 0; i < count; i++) {
    GLuint base = (GLuint)(4 * i);
    compileCycleList(base + 2, 0, i);
    compileCycleList(base + 3, 2, i);
    compileCycleList(base + 4, 1, i);
    compileCycleList(base + 5, 3, i);
  }
}

void drawQuad(const ModelVertex* corners) {
  static const int stripOrder[4] = {0, 1, 3, 2};
  glBegin(GL_QUAD_STRIP);
  for (int i = 0; i < 4; i++) {
    const ModelVertex* v = &corners[stripOrder[i]];
    glVertex3f(v->x, v->y, v->z);
  }
  glEnd();
}
