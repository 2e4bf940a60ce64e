// Hand-built model node lists for the cycle-model tests, shaped the way the reader leaves
// them: a shape node holding the face indices, and its child holding the vertices.
#pragma once
#include "model/model_reader.h"

// A node with room for exactly `vertexCount` vertices and `indexCount` indices (so that a
// read past either shows up under the address sanitizer), pushed at the head of nodeList.
ModelNode* pushModelNode(ModelNode* parent, int vertexCount, const float* xyz, int indexCount,
                         const int32_t* indices);

// Frees nodeList, the heading copies and the face-shade table, leaving all of them empty.
void clearModelState();
