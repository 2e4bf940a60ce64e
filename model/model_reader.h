// The light-cycle model file reader: a handful of VRML keywords into a list of nodes.
#pragma once
#include <stdint.h>

enum {
  MAX_NODE_VERTICES = 999,   // a node's 1000th vertex ends the program
  MAX_NODE_INDICES = 2999,   // a node's 3000th index ends the program
  MODEL_NAME_SIZE = 128,     // name text with its terminator; longer names are cut
};

// One vertex; trail points begin with the same nine floats (minimap position, colour
// 0..255, world position).
struct ModelVertex {
  float mapX, mapY;
  float red, green, blue, alpha;
  float x, y, z;
};

// One node per "DEF" in the file.
struct ModelNode {
  char name[MODEL_NAME_SIZE];
  float translation[3];
  float rotationAxis[3];
  float rotationAngle;
  float scale[3];
  float diffuseColor[3];      // file values times 255
  float ambientIntensity;
  float specularColor[3];     // file values times 255
  int32_t vertexCount;
  int32_t indexCount;
  ModelVertex* vertices;      // room for MAX_NODE_VERTICES + 1 records, or null
  int32_t* indices;           // room for MAX_NODE_INDICES + 1 entries, or null
  int32_t depth;              // braceDepth when the node's DEF was read
  int32_t ignoreShading;
  ModelNode* next;
  ModelNode* parent;
};

// Reader state: zero at program start, never reset.
extern ModelNode* nodeList;       // newest node first
extern ModelNode* currentNode;
extern int32_t braceDepth;
extern int32_t ignoreShadingMode;
extern int32_t listOpen;
extern int32_t listKind;          // 0 none, 1 vertex list, 2 index list
extern double maxCoordinate;      // largest |coordinate| after placement

// Arena set-up reads the model once. Returns 1 after reading the whole file, 0 (after the
// "Could not open .WRL file" box) when it cannot be opened.
int loadModel(const char* fileName);

// loadModel hands each token of a line here; it may take more tokens of the same line.
void parseModelToken(char* token);

// Frees a list of nodes (linked by `next`) with their vertex and index arrays. Arena set-up
// hands the reader's nodes back with it once the heading copies exist.
void freeModelNodeList(ModelNode* head);
