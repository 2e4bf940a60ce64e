#include "model_nodes.h"

#include <stdlib.h>
#include <string.h>

#include "render/cycle_model.h"

ModelNode* pushModelNode(ModelNode* parent, int vertexCount, const float* xyz, int indexCount,
                         const int32_t* indices) {
  ModelNode* node = (ModelNode*)calloc(1, sizeof(ModelNode));
  node->scale[0] = node->scale[1] = node->scale[2] = 1.0f;
  node->parent = parent;
  if (parent) memcpy(node->diffuseColor, parent->diffuseColor, sizeof node->diffuseColor);
  if (vertexCount > 0) {
    node->vertices = (ModelVertex*)calloc((size_t)vertexCount, sizeof(ModelVertex));
    for (int i = 0; i < vertexCount; i++) {
      node->vertices[i].x = xyz[3 * i];
      node->vertices[i].y = xyz[3 * i + 1];
      node->vertices[i].z = xyz[3 * i + 2];
    }
    node->vertexCount = vertexCount;
  }
  if (indexCount > 0) {
    node->indices = (int32_t*)malloc(sizeof(int32_t) * (size_t)indexCount);
    memcpy(node->indices, indices, sizeof(int32_t) * (size_t)indexCount);
    node->indexCount = indexCount;
  }
  node->next = nodeList;
  nodeList = node;
  return node;
}

void clearModelState() {
  freeModelNodeList(nodeList);
  nodeList = 0;
  currentNode = 0;
  for (int i = 0; i < 4; i++) {
    freeModelNodeList(headingModels[i]);
    headingModels[i] = 0;
  }
  free(faceShades);
  faceShades = 0;
  faceShadeCount = 0;
}
