// The title picture through libjpeg and the game's error exit: any file either draws a
// full 640 by 480 picture into both colour buffers or draws nothing, and never reads or
// writes past the picture buffer.
#include "fuzz/fuzz_support.h"
#include "fuzz/gl_double.h"
#include "platform/gl_context.h"
#include "render/font.h"
#include "render/graphics.h"
#include "render/title.h"

// The frame start, the overlay page and the swap around the picture.
DeviceContext deviceContext = 0;
static int swaps = 0;
static int framesBegun = 0;
void beginFrame() { framesBegun++; }
void overlayPage(uint8_t) {}
void swapBuffers(DeviceContext) { swaps++; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInputFile("vask.jpg", data, size);
  resetGlDouble();
  swaps = framesBegun = 0;
  int drawn = drawTitlePicture("vask.jpg");
  if (drawn != 0 && drawn != 1) fuzzFail("drawTitlePicture returned neither 0 nor 1");
  if (drawn && (glDoublePixelRectangles() != 2 || swaps != 2 || framesBegun != 2))
    fuzzFail("a drawn title did not fill both colour buffers");
  if (glDoublePixelRectangles() != swaps) fuzzFail("a picture was drawn without its swap");
  checkGlDoubleBalanced();
  return 0;
}
