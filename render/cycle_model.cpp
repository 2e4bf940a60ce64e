// The light cycle in four headings: rotated copies of the model, one shade per face from a
// fixed light, and faces drawn flat in a rider's colours.
#include "render/cycle_model.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "platform/opengl.h"
#include "render/draw_helpers.h"
#include "sim/riders.h"

ModelNode* headingModels[4] = {0, 0, 0, 0};
float headingMatrix[16];
uint32_t* faceShades = 0;
int32_t faceShadeCount = 0;
CycleBounds cycleBounds[4] = {{0, 0, 0, -1}, {0, 0, 0, -1}, {0, 0, 0, -1}, {0, 0, 0, -1}};

namespace {

// A channel on its way into a packed colour: truncated toward zero and held to 0..255, so
// a bright rider colour or a model colour above 1 saturates instead of spilling into the
// next channel. NaN (from a negative colour sum, say) counts as 0.
uint32_t channelByte(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return (uint32_t)value;
}

uint32_t packChannels(double red, double green, double blue) {
  return channelByte(red) | (channelByte(green) << 8) | (channelByte(blue) << 16);
}

// Reads the next face of a node copy's faces, starting at entry *entry of its parent's
// index list, into `face`. Returns the number of vertices gathered, or -1 when the list
// holds no further face. Damaged lists still draw what they can: an entry outside the
// copy's vertices is passed over, a face longer than MAX_FACE_VERTICES keeps its first
// MAX_FACE_VERTICES vertices, and a last face with no -1 ends at the end of the list.
int readFace(const ModelNode* copy, int* entry, ModelVertex* face) {
  const ModelNode* owner = copy->parent;
  const int32_t* indices = owner->indices;
  int end = indices ? owner->indexCount : 0;
  int at = *entry;
  while (at < end && indices[at] == -1) at++;  // a -1 where a face would start
  if (at >= end) {
    *entry = at;
    return -1;
  }
  int count = 0;
  for (; at < end && indices[at] != -1; at++) {
    int32_t v = indices[at];
    if (v < 0 || v >= copy->vertexCount) continue;
    if (count < MAX_FACE_VERTICES) face[count++] = copy->vertices[v];
  }
  if (at < end) at++;  // past the -1
  *entry = at;
  return count;
}

// Whether the face walk visits this copy at all.
int hasFaces(const ModelNode* copy) {
  return copy->parent && copy->vertexCount > 0 && copy->vertices;
}

// A face's colour: shaded faces take the rider's colour at the face's grey level; faces
// that ignore shading keep the model's colour, dimmed or brightened by the rider's.
uint32_t faceColor(const ModelNode* copy, uint32_t shade, const Rider* r) {
  int sr = (int)(shade & 255u), sg = (int)((shade >> 8) & 255u), sb = (int)((shade >> 16) & 255u);
  if (copy->ignoreShading == 0) {
    int grey = (sr + sg + sb) / 3;
    return packChannels(grey * r->colorRed * 1.6, grey * r->colorGreen * 1.6,
                        grey * r->colorBlue * 1.6);
  }
  double f = sqrt((double)r->colorRed + r->colorGreen + r->colorBlue) / 3.0;
  return packChannels(sr * f * 1.9, sg * f * 1.9, sb * f * 1.9);
}

// A face as the fan of triangles GL makes of a polygon, each in the same vertex order
// (second, third, first), so the pixels come out exactly as a polygon's. One colour for the
// whole face, so flat shading shows it whichever vertex leads.
void sendFaceTriangles(int count, const ModelVertex* face) {
  for (int i = 0; i + 2 < count; i++) {
    glVertex3f(-face[i + 1].x, face[i + 1].y, face[i + 1].z);
    glVertex3f(-face[i + 2].x, face[i + 2].y, face[i + 2].z);
    glVertex3f(-face[0].x, face[0].y, face[0].z);
  }
}

}  // namespace

void rotateVertices(int count, ModelVertex* vertices) {
  const float* m = headingMatrix;
  for (int i = 0; i < count; i++) {
    float x = vertices[i].x, y = vertices[i].y, z = vertices[i].z;
    vertices[i].x = m[0] * x + m[4] * y + m[8] * z + m[12];
    vertices[i].y = m[1] * x + m[5] * y + m[9] * z + m[13];
    vertices[i].z = m[2] * x + m[6] * y + m[10] * z + m[14];
  }
}

void shadeFace(int count, const ModelVertex* vertices, float red, float green, float blue) {
  if (count < 3 || !faceShades || faceShadeCount >= MAX_MODEL_FACES) return;
  float ax = vertices[1].x - vertices[0].x;
  float ay = vertices[1].y - vertices[0].y;
  float az = vertices[1].z - vertices[0].z;
  float bx = vertices[2].x - vertices[0].x;
  float by = vertices[2].y - vertices[0].y;
  float bz = vertices[2].z - vertices[0].z;
  float nx = ay * bz - az * by;
  float ny = az * bx - ax * bz;
  float nz = ax * by - ay * bx;
  float length = sqrtf(nx * nx + ny * ny + nz * nz);
  // Lit from above and from +z, both sides alike.
  float k = 0.0f;
  if (length != 0.0f) k = fabsf((ny + nz) / length * 0.7071f);
  faceShades[faceShadeCount++] = packChannels(red * k, green * k, blue * k);
}

void makeHeadingCopy(ModelNode** listHead, double a, double b) {
  memset(headingMatrix, 0, sizeof headingMatrix);
  headingMatrix[0] = (float)b;
  headingMatrix[2] = (float)-a;
  headingMatrix[5] = 1.0f;
  headingMatrix[8] = (float)a;
  headingMatrix[10] = (float)b;
  headingMatrix[15] = 1.0f;

  ModelNode* head = 0;
  ModelNode* tail = 0;
  for (const ModelNode* source = nodeList; source; source = source->next) {
    ModelNode* copy = (ModelNode*)calloc(1, sizeof(ModelNode));
    if (!copy) break;  // out of memory: the copy keeps the nodes made so far
    *copy = *source;
    copy->next = 0;
    copy->parent = 0;
    copy->vertices = 0;
    copy->indices = 0;
    if (source->vertexCount > 0 && source->vertices) {
      copy->vertices = (ModelVertex*)malloc(sizeof(ModelVertex) * (size_t)source->vertexCount);
      if (copy->vertices)
        memcpy(copy->vertices, source->vertices, sizeof(ModelVertex) * (size_t)source->vertexCount);
    }
    if (!copy->vertices) copy->vertexCount = 0;
    if (source->indexCount > 0 && source->indices) {
      copy->indices = (int32_t*)malloc(sizeof(int32_t) * (size_t)source->indexCount);
      if (copy->indices)
        memcpy(copy->indices, source->indices, sizeof(int32_t) * (size_t)source->indexCount);
    }
    if (!copy->indices) copy->indexCount = 0;
    if (tail)
      tail->next = copy;
    else
      head = copy;
    tail = copy;
  }
  *listHead = head;

  // Each copy's parent is the copy at the parent's position in the source list.
  const ModelNode* source = nodeList;
  for (ModelNode* copy = head; copy && source; copy = copy->next, source = source->next) {
    if (!source->parent) continue;
    ModelNode* match = head;
    const ModelNode* probe = nodeList;
    while (match && probe && probe != source->parent) {
      match = match->next;
      probe = probe->next;
    }
    copy->parent = (match && probe) ? match : 0;
  }

  for (ModelNode* copy = head; copy; copy = copy->next) rotateVertices(copy->vertexCount, copy->vertices);

  free(faceShades);
  faceShades = (uint32_t*)calloc(MAX_MODEL_FACES, sizeof(uint32_t));
  faceShadeCount = 0;
  if (!faceShades) return;

  ModelVertex face[MAX_FACE_VERTICES];
  for (ModelNode* copy = head; copy; copy = copy->next) {
    if (!hasFaces(copy)) continue;
    int entry = 0, count;
    while ((count = readFace(copy, &entry, face)) >= 0) {
      if (count < 3) continue;
      if (faceShadeCount >= MAX_MODEL_FACES) return;
      shadeFace(count, face, copy->diffuseColor[0], copy->diffuseColor[1], copy->diffuseColor[2]);
    }
  }
}

namespace {
// headingModels holds the copies in the order they are built: (-1,0), (1,0), (0,-1), (0,1).
const int copyOfHeading[4] = {0, 3, 1, 2};
}  // namespace

void measureCycleBounds() {
  for (int heading = 0; heading < 4; heading++) {
    // Every vertex of every copy that draws faces: the faces use some of them, never more.
    float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    const ModelNode* first = headingModels[copyOfHeading[heading]];
    int unbounded = 0;
    for (const ModelNode* copy = first; copy; copy = copy->next) {
      if (!hasFaces(copy)) continue;
      for (int i = 0; i < copy->vertexCount; i++) {
        const ModelVertex& v = copy->vertices[i];
        float p[3] = {-v.x, v.y, v.z};  // as drawn
        if (!isfinite(p[0]) || !isfinite(p[1]) || !isfinite(p[2])) unbounded = 1;
        for (int a = 0; a < 3; a++) {
          low[a] = fminf(low[a], p[a]);
          high[a] = fmaxf(high[a], p[a]);
        }
      }
    }
    CycleBounds b = {0, 0, 0, -1};
    if (!unbounded && low[0] <= high[0]) {
      b.x = 0.5f * (low[0] + high[0]);
      b.y = 0.5f * (low[1] + high[1]);
      b.z = 0.5f * (low[2] + high[2]);
      float r2 = 0.0f;
      for (const ModelNode* copy = first; copy; copy = copy->next) {
        if (!hasFaces(copy)) continue;
        for (int i = 0; i < copy->vertexCount; i++) {
          const ModelVertex& v = copy->vertices[i];
          float dx = -v.x - b.x, dy = v.y - b.y, dz = v.z - b.z;
          r2 = fmaxf(r2, dx * dx + dy * dy + dz * dz);
        }
      }
      b.radius = sqrtf(r2);
      if (!isfinite(b.radius)) b.radius = -1;  // coordinates so large their squares overflow
    }
    cycleBounds[heading] = b;
  }
}

void drawCycleModel(int heading, int rider) {
  if (heading < 0 || heading > 3 || rider < 0 || rider >= MAX_RIDERS) return;
  const Rider* r = &riders[rider];
  setFlatUntextured();

  // The whole cycle is one run of triangles, so the compiled list replays as a single
  // draw; a polygon per face made a thousand small draws, several times slower in Mesa.
  glBegin(GL_TRIANGLES);
  ModelVertex face[MAX_FACE_VERTICES];
  int k = 0;
  for (const ModelNode* copy = headingModels[copyOfHeading[heading]]; copy; copy = copy->next) {
    if (!hasFaces(copy)) continue;
    int entry = 0, count;
    while ((count = readFace(copy, &entry, face)) >= 0 && k < MAX_MODEL_FACES) {
      if (count < 3) continue;
      uint32_t shade = (faceShades && k < faceShadeCount) ? faceShades[k] : 0;
      k++;
      setPackedColor(faceColor(copy, shade, r));
      sendFaceTriangles(count, face);
    }
  }
  glEnd();
}

void drawPolygon(int count, const ModelVertex* vertices) {
  glBegin(GL_POLYGON);
  for (int i = 0; i < count; i++) glVertex3f(-vertices[i].x, vertices[i].y, vertices[i].z);
  glEnd();
}
