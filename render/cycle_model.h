// Cycle models: four heading copies, a shade per face, and faces in a rider's colours.
#pragma once
#include <stdint.h>
#include "model/model_reader.h"

enum { MAX_MODEL_FACES = 2000, MAX_FACE_VERTICES = 64 };

extern ModelNode* headingModels[4];   // copies built with (-1,0), (1,0), (0,-1), (0,1)
extern float headingMatrix[16];
extern uint32_t* faceShades;
extern int32_t faceShadeCount;

void makeHeadingCopy(ModelNode** listHead, double a, double b);
void rotateVertices(int count, ModelVertex* vertices);
void shadeFace(int count, const ModelVertex* vertices, float red, float green, float blue);
void drawCycleModel(int heading, int rider);
void drawPolygon(int count, const ModelVertex* vertices);

// A sphere holding every vertex a heading's cycle list draws, in the list's own (GL)
// coordinates. A radius below 0 means no sphere (not measured yet, no faces, or a vertex
// that is not finite): that heading is always drawn.
struct CycleBounds {
  float x, y, z, radius;
};
extern CycleBounds cycleBounds[4];  // by heading, 0..3

// Called by the display-list build once the heading copies exist.
void measureCycleBounds();
