// Draws one named call sequence and writes the picture (RGBA, bottom row first) followed by
// the modelview and projection matrices. Built twice: on Mesa's GL 1.1 and on the layer.
// Usage: picture_runner SCENE OUTPUT
#include <stdio.h>
#include <string.h>
#include <vector>
#include "drawing_context.h"
#include "platform/opengl.h"
#include "scenes.h"

int main(int argc, char** argv) {
  if (argc != 3) return fprintf(stderr, "usage: %s SCENE OUTPUT\n", argv[0]), 2;
  const Scene* scene = findScene(argv[1]);
  if (!scene) return fprintf(stderr, "no scene %s\n", argv[1]), 2;
  if (!openDrawingContext()) return 1;
  scene->draw();
  std::vector<uint8_t> picture((size_t)PICTURE_WIDTH * PICTURE_HEIGHT * 4);
  if (!readPicture(picture.data())) return 1;
  float matrices[32];
  glGetFloatv(GL_MODELVIEW_MATRIX, matrices);
  glGetFloatv(GL_PROJECTION_MATRIX, matrices + 16);
  FILE* out = fopen(argv[2], "wb");
  if (!out) return perror(argv[2]), 1;
  fwrite(picture.data(), 1, picture.size(), out);
  fwrite(matrices, sizeof matrices, 1, out);
  return fclose(out) == 0 ? 0 : 1;
}
