// The title screen: "vask.jpg" decoded with libjpeg, then the version and the start line.
#include "render/title.h"
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <jpeglib.h>
#include "platform/gl_context.h"
#include "platform/opengl.h"
#include "platform/window.h"
#include "render/font.h"
#include "sim/room_view.h"
#include "render/graphics.h"

namespace {
enum { TITLE_WIDTH = 640, TITLE_HEIGHT = 480, TITLE_ROW_BYTES = TITLE_WIDTH * 3 };

// The decoder's error manager with the jump buffer right behind it, so the error exit can
// reach the buffer from the manager the decompressor points to.
struct TitleErrorRecord {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

// Everything the decoding changes between setting the jump point and a decoding error.
// It lives outside the function's frame, so nothing in it is lost to the jump back.
struct TitleDecoder {
  jpeg_decompress_struct info;
  TitleErrorRecord error;
  FILE* file;
  unsigned char* picture;
  int created;
  int drawn;
};
TitleDecoder decoder;

void titleErrorExit(j_common_ptr info) {
  (*info->err->output_message)(info);
  longjmp(((TitleErrorRecord*)info->err)->jump, 1);
}

void showPicture(const unsigned char* picture) {
  beginFrame();  // clears and loads the perspective; the raster position stays at (0, 0)
  glDrawPixels(TITLE_WIDTH, TITLE_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, picture);
  glFlush();
  swapBuffers(deviceContext);
}

// Decodes the open picture into a fresh buffer, bottom row first, and shows it in both
// colour buffers. Decoding errors jump back to the caller's jump point.
void decodeAndShow() {
  jpeg_decompress_struct* info = &decoder.info;
  jpeg_create_decompress(info);
  decoder.created = 1;
  jpeg_stdio_src(info, decoder.file);
  jpeg_read_header(info, TRUE);
  if (info->image_width != TITLE_WIDTH || info->image_height != TITLE_HEIGHT) return;

  jpeg_start_decompress(info);
  // Only three-component pictures fit the copy below; greyscale or four-component ones are
  // skipped like pictures of the wrong size.
  if (info->output_width != TITLE_WIDTH || info->output_height != TITLE_HEIGHT ||
      info->output_components != 3)
    return;
  JSAMPARRAY row = (*info->mem->alloc_sarray)((j_common_ptr)info, JPOOL_IMAGE,
                                              info->output_width * info->output_components, 1);
  decoder.picture = (unsigned char*)calloc((size_t)TITLE_ROW_BYTES * TITLE_HEIGHT, 1);
  if (!decoder.picture) return;

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, 640.0, 0.0, 480.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRasterPos2f(0.0f, 0.0f);

  while (info->output_scanline < info->output_height) {
    JDIMENSION fromTop = info->output_scanline;
    if (jpeg_read_scanlines(info, row, 1) != 1) break;
    // The first row decoded is the top one, the last in memory.
    memcpy(decoder.picture + (size_t)(TITLE_HEIGHT - 1 - fromTop) * TITLE_ROW_BYTES, row[0],
           TITLE_ROW_BYTES);
  }

  showPicture(decoder.picture);
  showPicture(decoder.picture);  // both colour buffers hold the picture
  jpeg_finish_decompress(info);
  decoder.drawn = 1;
}
}  // namespace

int drawTitlePicture(const char* fileName) {
  FILE* file = fopen(fileName, "rb");
  if (!file) {
    outputDebugString("Could not open JPEG\n");
    return 0;
  }
  decoder.file = file;
  decoder.picture = NULL;
  decoder.created = 0;
  decoder.drawn = 0;
  decoder.info.err = jpeg_std_error(&decoder.error.manager);
  decoder.error.manager.error_exit = titleErrorExit;
  if (setjmp(decoder.error.jump) == 0) decodeAndShow();

  free(decoder.picture);
  decoder.picture = NULL;
  if (decoder.created) jpeg_destroy_decompress(&decoder.info);
  decoder.created = 0;
  fclose(decoder.file);
  decoder.file = NULL;
  return decoder.drawn;
}

void showTitle() {
  drawTitlePicture("vask.jpg");
  overlayPage(0);
  drawText(550.0f, 10.0f, "V1.2");
  drawText(0.0f, 10.0f, "PRESS A KEY TO BEGIN (D FOR DEMO)");
  // In a room: its code, to read out to friends, and who is in it.
  if (roomTitleLine[0]) drawText(0.0f, 455.0f, roomTitleLine);
  if (roomPeopleLine[0]) drawText(0.0f, 435.0f, roomPeopleLine);
  overlayPage(1);
}
