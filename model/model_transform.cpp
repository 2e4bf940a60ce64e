// Model transforms: each vertex is placed through its node's scale, rotation and
// translation and then each enclosing node's; afterwards the whole model is sized.
#include "model/model_transform.h"

#include <math.h>

void rotateAboutAxis(float& x, float& y, float& z, float axisX, float axisY, float axisZ,
                     float angle) {
  // The axis is used as given: model files carry unit axes.
  const float c = cosf(angle);
  const float s = sinf(angle);
  const float t = 1.0f - c;
  const float ax = axisX, ay = axisY, az = axisZ;
  const float px = x, py = y, pz = z;
  x = (ax * ax + (1.0f - ax * ax) * c) * px + (ax * ay * t - az * s) * py +
      (ax * az * t + ay * s) * pz;
  y = (ax * ay * t + az * s) * px + (ay * ay + (1.0f - ay * ay) * c) * py +
      (ay * az * t - ax * s) * pz;
  z = (ax * az * t - ay * s) * px + (ay * az * t + ax * s) * py +
      (az * az + (1.0f - az * az) * c) * pz;
}

void transformModelVertex(const ModelNode* node, ModelVertex* vertex) {
  for (; node; node = node->parent) {
    vertex->x *= node->scale[0];
    vertex->y *= node->scale[1];
    vertex->z *= node->scale[2];
    if (node->rotationAngle != 0.0f)
      rotateAboutAxis(vertex->x, vertex->y, vertex->z, node->rotationAxis[0],
                      node->rotationAxis[1], node->rotationAxis[2], node->rotationAngle);
    vertex->x += node->translation[0];
    vertex->y += node->translation[1];
    vertex->z += node->translation[2];
  }
}

void scaleModel(double factor) {
  for (ModelNode* node = nodeList; node; node = node->next) {
    if (!node->vertices) continue;
    for (int32_t i = 0; i < node->vertexCount; ++i) {
      ModelVertex* v = &node->vertices[i];
      v->x = (float)(v->x * factor);
      v->y = (float)(v->y * factor);
      v->z = (float)(v->z * factor);
    }
  }
}

void normalizeModel() {
  if (maxCoordinate != 0.0) scaleModel(1.0 / maxCoordinate);
}
