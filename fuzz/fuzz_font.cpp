// The font file: loadFont keeps the first 4096 bytes with each glyph's rows turned bottom
// first (what the file lacks stays blank) and compiles 256 glyph lists; text drawn with the
// input's own bytes runs only lists that exist.
#include <string.h>

#include "fuzz/fuzz_support.h"
#include "fuzz/gl_double.h"
#include "render/font.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  enterScratchDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  writeInputFile("flori.fnt", data, size);
  resetGlDouble();
  fontListBase = 0;
  loadFont();
  for (size_t g = 0; g < 256; g++) {
    for (size_t row = 0; row < 16; row++) {
      size_t fileOffset = g * 16 + (15 - row);
      uint8_t expected = fileOffset < size ? data[fileOffset] : 0;
      if (fontGlyphs[g * 16 + row] != expected) fuzzFail("a glyph row is not the file's row");
    }
  }
  if (glDoubleListsCompiled() != 256) fuzzFail("the font did not compile 256 lists");

  char text[65];
  size_t length = size < 64 ? size : 64;
  memcpy(text, data, length);
  text[length] = '\0';
  drawText(0.0f, 10.0f, text);
  checkGlDoubleBalanced();
  return 0;
}
