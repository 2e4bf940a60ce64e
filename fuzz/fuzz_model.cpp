// The model file through everything start-up does with it: read (loadModel), sized
// (normalizeModel, scaleModel by 80), copied into the four headings with their face
// shades (makeHeadingCopy) and drawn into each heading's display list (drawCycleModel),
// with GL answered by the double. A node beyond its limits must end with its message and
// exit code 1; anything else must load.
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz/fuzz_support.h"
#include "fuzz/gl_double.h"
#include "fuzz/model_exit_seam.h"
#include "platform/opengl.h"
#include "model/model_reader.h"
#include "model/model_transform.h"
#include "render/cycle_model.h"
#include "sim/riders.h"

Rider riders[MAX_RIDERS];  // the cycle colours drawCycleModel reads; nothing else of the sim

namespace {

void resetReader() {
  freeModelNodeList(nodeList);
  nodeList = 0;
  currentNode = 0;
  braceDepth = 0;
  ignoreShadingMode = 0;
  listOpen = 0;
  listKind = 0;
  maxCoordinate = 0.0;
}

int listLength(const ModelNode* node) {
  int n = 0;
  for (; node; node = node->next) n++;
  return n;
}

void checkNodes() {
  for (const ModelNode* node = nodeList; node; node = node->next) {
    if (node->vertexCount < 0 || node->vertexCount > MAX_NODE_VERTICES)
      fuzzFail("a node holds more vertices than its limit");
    if (node->indexCount < 0 || node->indexCount > MAX_NODE_INDICES)
      fuzzFail("a node holds more indices than its limit");
    if (node->vertexCount > 0 && !node->vertices) fuzzFail("vertices counted without an array");
    if (node->indexCount > 0 && !node->indices) fuzzFail("indices counted without an array");
    if (memchr(node->name, '\0', sizeof node->name) == 0) fuzzFail("a node name is not terminated");
  }
}

// After sizing, the largest coordinate is 80 (a little rounding allowed).
void checkSized() {
  if (!(maxCoordinate > 0.0) || !isfinite(maxCoordinate)) return;
  for (const ModelNode* node = nodeList; node; node = node->next) {
    for (int i = 0; i < node->vertexCount; i++) {
      const ModelVertex& v = node->vertices[i];
      const float c[3] = {v.x, v.y, v.z};
      for (float value : c)
        if (!isnan(value) && fabsf(value) > 80.01f) fuzzFail("a sized vertex lies beyond 80");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory();
  riders[0].colorRed = riders[0].colorGreen = riders[0].colorBlue = 1.0f;
  riders[1].colorRed = 2.5f;  // bright colours saturate instead of spilling over
  riders[1].colorGreen = -1.0f;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInputFile("vask3.wrl", data, size);
  resetReader();
  clearMessageBoxes();
  resetGlDouble();

  int loaded = 0;
  lastOpenedFile = 0;
  if (setjmp(modelExitJump) == 0) {
    modelExitArmed = 1;
    loaded = loadModel("vask3.wrl");
    modelExitArmed = 0;
  } else {
    // The reader ended the program: only a node beyond its limits may do that, with its box.
    if (modelExitCode != 1) fuzzFail("the model reader exited with a code other than 1");
    if (messageBoxCount != 1 ||
        (strcmp(lastMessageBoxText, "Error! Too many vertices for this polygon!") != 0 &&
         strcmp(lastMessageBoxText, "Error! Too many indices for this polygon!") != 0))
      fuzzFail("the model reader exited without its limit message");
    if (lastOpenedFile) fclose(lastOpenedFile);
    lastOpenedFile = 0;
    resetReader();
    return 0;
  }
  if (!loaded) fuzzFail("an existing model file did not load");
  if (messageBoxCount != 0) fuzzFail("a model within its limits showed a message");
  checkNodes();

  normalizeModel();
  scaleModel(80.0);
  checkSized();

  const int nodes = listLength(nodeList);
  makeHeadingCopy(&headingModels[0], -1.0, 0.0);
  makeHeadingCopy(&headingModels[1], 1.0, 0.0);
  makeHeadingCopy(&headingModels[2], 0.0, -1.0);
  makeHeadingCopy(&headingModels[3], 0.0, 1.0);
  for (int h = 0; h < 4; h++)
    if (listLength(headingModels[h]) != nodes) fuzzFail("a heading copy lost nodes");
  if (faceShadeCount < 0 || faceShadeCount > MAX_MODEL_FACES) fuzzFail("face shades out of range");
  resetReader();  // arena set-up frees the source nodes before drawing the copies

  for (int rider = 0; rider < 2; rider++) {
    for (int heading = 0; heading < 4; heading++) {
      glNewList((GLuint)(4 * rider + 2 + heading), GL_COMPILE);
      drawCycleModel(heading, rider);
      glEndList();
    }
  }
  checkGlDoubleBalanced();

  for (int h = 0; h < 4; h++) {
    freeModelNodeList(headingModels[h]);
    headingModels[h] = 0;
  }
  free(faceShades);
  faceShades = 0;
  faceShadeCount = 0;
  return 0;
}
