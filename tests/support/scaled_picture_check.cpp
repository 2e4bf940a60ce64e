// The scaled-present check for the end-to-end harnesses (Python and the page's), so that
// every harness holds a shown picture to the same worked-out scaling:
//   scaled_picture_check FRAME.ppm SHOWN.ppm [TOLERANCE]
// compares SHOWN with FRAME scaled to SHOWN's size (scaled_picture.h). Exit 0 when every
// pixel is within TOLERANCE (default 0) in each channel, 1 when some are not (the count
// and the first are printed), 2 when a picture cannot be read.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "scaled_picture.h"

namespace {

struct Picture {
  int width = 0, height = 0;
  // Rows top first, as the PPM holds them: the scaling is the same either way up.
  std::vector<uint8_t> rgb;
};

// A binary PPM of 8-bit channels, comments allowed in the header.
bool readPpm(const char* path, Picture& picture) {
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  auto field = [&](long& value) {
    int c = fgetc(f);
    while (c == '#' || (c != EOF && isspace(c))) {
      if (c == '#')
        while (c != EOF && c != '\n') c = fgetc(f);
      c = fgetc(f);
    }
    if (c < '0' || c > '9') return false;
    for (value = 0; c >= '0' && c <= '9' && value < 100000; c = fgetc(f)) value = value * 10 + (c - '0');
    return c != EOF && isspace(c);  // one whitespace character ends the header's last field
  };
  long width = 0, height = 0, maximum = 0;
  const bool ok = fgetc(f) == 'P' && fgetc(f) == '6' && field(width) && field(height) &&
                  field(maximum) && maximum == 255 && width > 0 && height > 0 && width <= 16384 &&
                  height <= 16384;
  if (ok) {
    picture.width = (int)width;
    picture.height = (int)height;
    picture.rgb.resize((size_t)width * height * 3);
  }
  const bool whole = ok && fread(picture.rgb.data(), 1, picture.rgb.size(), f) == picture.rgb.size();
  fclose(f);
  return whole;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    fprintf(stderr, "usage: %s FRAME.ppm SHOWN.ppm [TOLERANCE]\n", argv[0]);
    return 2;
  }
  Picture frame, shown;
  for (int i : {1, 2})
    if (!readPpm(argv[i], i == 1 ? frame : shown)) {
      fprintf(stderr, "%s: not a whole 8-bit binary PPM\n", argv[i]);
      return 2;
    }
  const int tolerance = argc == 4 ? atoi(argv[3]) : 0;
  if (shown.width < frame.width || shown.height < frame.height) {
    printf("shown at %dx%d, smaller than the frame's %dx%d\n", shown.width, shown.height, frame.width,
           frame.height);
    return 1;
  }
  const std::vector<uint8_t> expected =
      sharplyScaled(frame.rgb, frame.width, frame.height, shown.width, shown.height);
  size_t first = 0;
  const int off = pixelsOff(shown.rgb, expected, tolerance, &first);
  if (off == 0) return 0;
  const size_t i = first * 3;
  printf("%d pixels off at %dx%d, the first at (%d, %d): %d,%d,%d where %d,%d,%d\n", off, shown.width,
         shown.height, (int)(first % shown.width), (int)(first / shown.width), shown.rgb[i], shown.rgb[i + 1],
         shown.rgb[i + 2], expected[i], expected[i + 1], expected[i + 2]);
  return 1;
}
