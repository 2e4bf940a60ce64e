// Model transforms: node scale, rotation and translation, and sizing the whole model.
#pragma once
#include "model/model_reader.h"

// The reader places each vertex as it is read: its node's transform, then each parent's.
void transformModelVertex(const ModelNode* node, ModelVertex* vertex);

// Right-handed rotation of a point about an (unnormalised) axis, in place.
void rotateAboutAxis(float& x, float& y, float& z, float axisX, float axisY, float axisZ,
                     float angle);

// Arena set-up multiplies every vertex of every node by the factor.
void scaleModel(double factor);

// Arena set-up scales the model so its largest |coordinate| is 1 (an empty model stays).
void normalizeModel();
