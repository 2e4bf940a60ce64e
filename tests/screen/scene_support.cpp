#include "scene_support.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <jpeglib.h>
#include "platform/opengl.h"
#include "platform/shared/scaled_frame.h"
#include "render/graphics.h"
#include "support/gl_test_window.h"

namespace {
char previousDir[4096];
char tempDir[256];
// Where a swapped frame can be read back. The off-screen frame the game draws into keeps it;
// without one, a hidden window's swap may leave the frame in the back buffer rather than
// bringing it to the front, and a probe at opening tells which.
GLenum shownBuffer = GL_FRONT;

void readShownFrame() {
  if (!scaledFrameOffscreen()) glReadBuffer(shownBuffer);
}
}  // namespace

int openSceneWindow() {
  GlTestWindow window;
  if (!openGlTestWindow(&window, 640, 480)) return 0;
  deviceContext = window.dc;
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_FLAT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glViewport(0, 0, 640, 480);
  glClearColor(1.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  swapBuffers(deviceContext);
  uint8_t rgb[3] = {0, 0, 0};
  if (!scaledFrameOffscreen()) {
    glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(5, 5, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    shownBuffer = rgb[0] == 255 ? GL_FRONT : GL_BACK;
  }
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  return 1;
}

void loadOverlay() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, 640.0, 0.0, 480.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void fillBothBuffers(float r, float g, float b) {
  for (int i = 0; i < 2; i++) {
    glClearColor(r, g, b, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    swapBuffers(deviceContext);
  }
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void readShownPixel(int x, int y, uint8_t rgb[3]) {
  readShownFrame();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

std::string readShownBuffer() {
  std::string pixels(640 * 480 * 3, '\0');
  readShownFrame();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, &pixels[0]);
  return pixels;
}

void saveShownPpm(const char* path) {
  std::string pixels = readShownBuffer();
  FILE* f = fopen(path, "wb");
  if (!f) return;
  fprintf(f, "P6\n640 480\n255\n");
  for (int row = 479; row >= 0; row--) fwrite(&pixels[(size_t)row * 1920], 1, 1920, f);
  fclose(f);
}

void enterTempDir() {
  if (!getcwd(previousDir, sizeof previousDir)) previousDir[0] = '\0';
  snprintf(tempDir, sizeof tempDir, "/tmp/vask-screen-XXXXXX");
  if (!mkdtemp(tempDir) || chdir(tempDir) != 0) {
    fprintf(stderr, "could not make a temporary directory\n");
    abort();
  }
}

void leaveTempDir() {
  if (previousDir[0] && chdir(previousDir) != 0) fprintf(stderr, "could not go back\n");
  char command[300];
  snprintf(command, sizeof command, "rm -rf '%s'", tempDir);
  if (system(command) != 0) fprintf(stderr, "could not remove %s\n", tempDir);
}

void writeBytes(const char* name, const void* bytes, size_t count) {
  FILE* f = fopen(name, "wb");
  if (!f) abort();
  if (count) fwrite(bytes, 1, count, f);
  fclose(f);
}

std::string readBytes(const char* path) {
  std::string out;
  FILE* f = fopen(path, "rb");
  if (!f) return out;
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, got);
  fclose(f);
  return out;
}

void writeJpeg(const char* name, int width, int height, int components, PixelFill fill) {
  FILE* out = fopen(name, "wb");
  if (!out) abort();
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out);
  info.image_width = width;
  info.image_height = height;
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  unsigned char* row = (unsigned char*)malloc((size_t)width * components);
  while (info.next_scanline < info.image_height) {
    int y = info.next_scanline;
    for (int x = 0; x < width; x++) {
      uint8_t rgb[3];
      fill(x, y, rgb);
      if (components == 1) row[x] = rgb[0];
      else memcpy(row + 3 * x, rgb, 3);
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  free(row);
  fclose(out);
}
